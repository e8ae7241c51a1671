#pragma once
// The two content readers behind CreateImageFromStream. Each fills width,
// height, pixelCount and pixels of an image whose type is set, reading from a
// stream whose first 8 bytes (given as header) have been consumed. 0 means
// success; on failure the reader may have printed one line saying what was
// wrong.

#include "image/DTImage.h"

#include <cstdio>

enum Read_Result : int {
    read_ok = 0,
    read_no_png_state = 1,
    read_no_png_info = 2,
    read_png_error = 3,
    read_not_rgb = 4,
    read_bad_header = 5,
    read_bad_raster = 6,
    read_no_memory = 7,
};

int ReadDataFromFile(DTImage* image, std::FILE* file, const std::uint8_t header[8]);
int Read_PNG_Data(DTImage* image, std::FILE* file);
int Read_PPM_Data(DTImage* image, std::FILE* file, const std::uint8_t header[8]);

// Whether a width and height are acceptable; prints why not when they are not.
bool Image_Size_Allowed(std::int64_t width, std::int64_t height);
