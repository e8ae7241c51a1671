#pragma once
// Fitting an image to the 128x96 picture as its pixels arrive: they are
// box-reduced by whole factors down to no less than twice the size the
// picture needs, only the part the filter will read is kept, that part is
// turned upright and the resampling filter (image/Image_Resize.h) makes the
// picture-sized image. So a decoder that hands over rows (or the passes of
// an interlaced image) one at a time never needs the whole image in memory.

#include "core/DTImage.h"
#include "image/Box_Reduce.h"
#include "image/Fit_Geometry.h"

#include <vector>

constexpr Pixel_Size fit_target{128, 96};

struct Image_Fit {
    int orientation = 1;
    Fit_Plan plan; // in pixels of the upright source image
    // Reduced pixels per source pixel, upright, and where source position 0
    // falls among the reduced pixels (not at 0 along an axis that turning
    // reverses, where the partial blocks are at the start).
    double ratio_x = 1;
    double ratio_y = 1;
    double offset_x = 0;
    double offset_y = 0;
    // Sums only the part the filter will read (as stored).
    Box_Reduction box;
    // Where that part lies among the reduced pixels, upright.
    Pixel_Rect keep_upright;
};

// The least size (as stored) a decoder should shrink an image of the stored
// size to, for a fit in the mode (not none).
Pixel_Size Fit_Decode_Size(Pixel_Size stored, int orientation, Fit_Mode mode);

// A fit of an image of the stored size and orientation, whose rows arrive
// decoded at `decoded` (as stored; at most the stored size, from a decoder
// that shrinks).
Image_Fit Start_Image_Fit(Pixel_Size stored, int orientation, Fit_Mode mode, Pixel_Size decoded);

// Decoded row y (as stored), decoded.width pixels. Rows may come in any
// order.
void Add_Fit_Row(Image_Fit* fit, int y, const DTPixel* row);

// `count` pixels of decoded row y, the first at column x0 and each next one
// `step` columns on, as an interlaced image's passes give them.
void Add_Fit_Pixels(Image_Fit* fit, int y, int x0, int step, const DTPixel* pixels, int count);

// A rectangle of decoded pixels all of one colour (see Add_Box_Fill).
void Add_Fit_Fill(Image_Fit* fit, Pixel_Rect rect, DTPixel colour);

// After every decoded pixel has been added: the 128x96 image, black where the picture is not
// covered.
DTImage Finish_Image_Fit(const Image_Fit& fit);

// A whole upright image fitted the same way.
DTImage Fit_Whole_Image(const DTImage& image, Fit_Mode mode);
