#pragma once
// JPEG files made by tests with libjpeg itself: colour, greyscale and CMYK
// (plain or Adobe's inverted), baseline or progressive, with an EXIF
// orientation block made by hand.

#include "core/DTImage.h"

#include <cstdint>
#include <string>
#include <vector>

enum class Jpeg_Kind { colour, grey, cmyk, adobe_cmyk };

struct Test_JPEG {
    int width = 0;
    int height = 0;
    std::vector<DTPixel> pixels; // RGB, row-major; grey files take the red
    Jpeg_Kind kind = Jpeg_Kind::colour;
    bool progressive = false;
    // Full-resolution colour (4:4:4) rather than libjpeg's default 4:2:0.
    bool full_chroma = false;
    int quality = 95;
    int orientation = 0; // 0: no EXIF block
    bool little_endian_exif = false;
    std::vector<std::uint8_t> icc; // an embedded colour profile when not empty
};

std::vector<std::uint8_t> Encode_Test_JPEG(const Test_JPEG& jpeg);
void Write_Test_JPEG(const std::string& path, const Test_JPEG& jpeg);

// An APP1 block with "Exif\0\0" and a TIFF structure whose first IFD holds
// one entry: the orientation.
std::vector<std::uint8_t> Exif_Block(int orientation, bool little_endian);

// A width x height image of four coloured quadrants: red top left, green top
// right, blue bottom left, white bottom right.
std::vector<DTPixel> Quadrants(int width, int height);
extern const DTPixel quadrant_colours[4];
