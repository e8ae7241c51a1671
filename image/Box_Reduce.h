#pragma once
// Shrinking an image by whole factors as its rows arrive, so that a large
// image never has to be held whole: every output pixel is the mean of a
// block of factor_x x factor_y source pixels (fewer at the right and bottom
// edges), averaged in linear light as a resampling filter would.

#include "image/DTImage.h"

#include <cstdint>
#include <vector>

struct Box_Reduction {
    int width = 0; // of a source row
    int factor_x = 1;
    int factor_y = 1;
    int out_width = 0;
    int rows_summed = 0;
    // Linear-light sums of the block row being gathered, three per output pixel.
    std::vector<std::uint64_t> sums;
};

// For rows of the width (at least 1), by factors of at least 1.
Box_Reduction Start_Box_Reduction(int width, int factor_x, int factor_y);

// Adds one source row of `width` pixels. When it completes a row of blocks,
// appends the reduced row (out_width pixels) to `out` and gives true.
bool Add_Box_Row(Box_Reduction* box, const DTPixel* row, std::vector<DTPixel>* out);

// After the last source row: appends the reduced row of a last, partial row
// of blocks, if there is one, and gives whether there was.
bool Finish_Box_Rows(Box_Reduction* box, std::vector<DTPixel>* out);

// A whole image through the same reduction.
DTImage Box_Reduce(const DTImage& image, int factor_x, int factor_y);

// sRGB samples to linear light in 0..65535, and back (rounded in sRGB).
std::uint16_t Srgb_To_Linear16(std::uint8_t value);
std::uint8_t Linear16_To_Srgb(std::uint16_t value);
