#pragma once
// Shrinking an image by whole factors as its pixels arrive, so that a large
// image never has to be held whole: every output pixel is the mean of a
// block of factor_x x factor_y source pixels (fewer at the right and bottom
// edges), averaged in linear light as a resampling filter would. Only the
// sums of the blocks in a chosen part of the output are kept, and pixels
// may arrive in any order (whole rows, or the passes of an interlaced PNG).

#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

#include <cstdint>
#include <vector>

struct Box_Reduction {
    Pixel_Size source;
    int factor_x = 1;
    int factor_y = 1;
    // The blocks whose sums are kept, in output pixels.
    Pixel_Rect part;
    // Linear-light sums of the part's blocks, row-major, three per block; a
    // block of max_box_factor squared pixels sums to less than 2^32.
    std::vector<std::uint32_t> sums;
};

// The output size of a source of the size by the factors.
Pixel_Size Box_Reduced_Size(Pixel_Size source, int factor_x, int factor_y);

// For a source of the size (both sides at least 1), by factors from 1 to
// max_box_factor, keeping the blocks of `part` (within the output size).
Box_Reduction Start_Box_Reduction(Pixel_Size source, int factor_x, int factor_y, Pixel_Rect part);

// Adds `count` pixels of source row y: the first at column x0, each next one
// `step` columns on. Pixels outside the part's blocks are passed over.
void Add_Box_Pixels(Box_Reduction* box, int y, int x0, int step, const DTPixel* pixels, int count);

// Adds every pixel of the rectangle of source pixels (within the source),
// all of one colour: the sums that adding its rows would make, in time by
// the blocks it covers rather than by its pixels.
void Add_Box_Fill(Box_Reduction* box, Pixel_Rect rect, DTPixel colour);

// After every source pixel has been added: the part's output pixels, each
// block divided by its own pixel count.
DTImage Finish_Box_Reduction(const Box_Reduction& box);

// A whole image through the same reduction.
DTImage Box_Reduce(const DTImage& image, int factor_x, int factor_y);

// sRGB samples to linear light in 0..65535, and back (rounded in sRGB).
std::uint16_t Srgb_To_Linear16(std::uint8_t value);
std::uint8_t Linear16_To_Srgb(std::uint16_t value);
