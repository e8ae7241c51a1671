#pragma once
// Files of the further photo formats made by tests with the formats' own
// libraries (TIFF with libtiff, GIF with giflib) and colour profiles made
// with lcms2, with the sRGB colours lcms2 gives for them.

#include "core/DTImage.h"

#include <cstdint>
#include <string>
#include <vector>

enum class Tiff_Kind { rgb8, rgb16, grey8, palette };

struct Test_TIFF {
    int width = 0;
    int height = 0;
    std::vector<DTPixel> pixels; // grey files take the red; palette files up to 256 colours
    Tiff_Kind kind = Tiff_Kind::rgb8;
    int rows_per_strip = 8;
    int tile_side = 0; // tiles of this side (a multiple of 16) instead of strips
    std::vector<std::uint8_t> icc;
};
void Write_Test_TIFF(const std::string& path, const Test_TIFF& tiff);
Test_TIFF TIFF_Of(int width, int height, std::vector<DTPixel> pixels,
                  Tiff_Kind kind = Tiff_Kind::rgb8);

struct Test_GIF {
    int screen_width = 0;
    int screen_height = 0;
    int background = 0; // index into the global table
    std::vector<DTPixel> global_table;
    // The first frame: where it lies, its own table (if not empty) and its
    // colour indices, row-major.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::vector<DTPixel> local_table;
    std::vector<std::uint8_t> indices;
};
void Write_Test_GIF(const std::string& path, const Test_GIF& gif);
// The pixels (at most 256 colours) as a frame that covers its screen,
// coloured by the global table.
Test_GIF GIF_Of(int width, int height, const std::vector<DTPixel>& pixels);

// A WebP file made with libwebp's encoder: lossy or lossless, with an alpha
// channel (each pixel's alpha a pattern) when asked.
std::vector<std::uint8_t> Encode_Test_WebP(int width, int height,
                                           const std::vector<DTPixel>& pixels, bool lossless,
                                           bool alpha);

// A HEIC (or AVIF) file made with libheif's encoder at the given quality,
// whose boxes ask for the stored image to be turned by the EXIF-style
// orientation.
std::vector<std::uint8_t> Encode_Test_HEIF(int width, int height,
                                           const std::vector<DTPixel>& pixels, bool avif,
                                           int quality, int orientation = 1);

// ICC profiles made with lcms2's own writer.
enum class Test_Space { srgb, adobe_rgb, wide_gamut };
std::vector<std::uint8_t> Test_ICC(Test_Space space);

// The sRGB colour lcms2 gives for a colour in an RGB profile (relative
// colorimetric, black point compensation).
DTPixel Profile_Colour_In_sRGB(const std::vector<std::uint8_t>& icc, DTPixel colour);

// Runs a shell command line; whether it succeeded.
bool Run_Tool(const std::string& command);
