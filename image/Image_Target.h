#pragma once
// Where a decoder's whole rows go, for every format decoded outside the
// image loader: into the fit (image/Image_Fit.h) as they arrive, or, without
// fitting, into the part of the stored image that becomes the first 128x96
// pixels of the upright one. Rows are converted to sRGB first when the file
// carries a colour profile. Rows may come in any order.

#include "core/DTImage.h"
#include "image/Color_Profile.h"
#include "image/Fit_Geometry.h"
#include "image/Image_Fit.h"

#include <cstdint>

struct Image_Target {
    Fit_Mode mode = Fit_Mode::none;
    int orientation = 1;
    Pixel_Size stored;
    Color_Transform transform;
    Image_Fit fit; // when fitting
    // Without fitting: the stored rectangle that is kept, and its pixels.
    Pixel_Rect part;
    DTImage cut;
};

// The pixels of an image that a picture takes without fitting: the first
// 12288 in storage order (of the upright image).
constexpr std::uint64_t unfitted_pixels =
    static_cast<std::uint64_t>(fit_target.width) * fit_target.height;

// A target for an image of the stored size and orientation whose rows
// arrive at the decoded size (as stored; the stored size when not fitting),
// converted by the transform of the file's colour profile (if any).
Image_Target Start_Image_Target(Pixel_Size stored, int orientation, Fit_Mode mode,
                                Pixel_Size decoded, Color_Transform transform = nullptr);

// Whether decoded row y is used at all; others need only be checked.
bool Target_Wants_Row(const Image_Target& target, int y);

// Decoded row y, converted in place to sRGB and taken in.
void Add_Target_Row(Image_Target* target, int y, DTPixel* row);

// Decoded pixels x0 to x0 + count - 1 of row y, converted in place and taken
// in: a row that arrives in parts.
void Add_Target_Span(Image_Target* target, int y, int x0, DTPixel* pixels, int count);

// A rectangle of decoded pixels all of one colour, taken in as its rows
// would be, in time by the picture's needs rather than by its pixels.
void Add_Target_Fill(Image_Target* target, Pixel_Rect rect, DTPixel colour);

// The image once every pixel has been added.
DTImage Finish_Image_Target(const Image_Target& target, DTImageType type);
