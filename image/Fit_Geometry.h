#pragma once
// Where an image of any size lands in the 128x96 picture under each way of
// fitting it, worked out from sizes alone: what part of the picture it
// covers, what part of it is shown there, and how far a decoder may shrink
// it before the resampling filter does the rest.

enum class Fit_Mode {
    none,    // no fitting: the first 12288 pixels in storage order
    crop,    // scaled to cover the picture, the middle kept
    pad,     // scaled to fit inside the picture, the rest black
    stretch, // each axis scaled on its own
};

struct Pixel_Size {
    int width = 0;
    int height = 0;
    bool operator==(const Pixel_Size&) const = default;
};

// Whole pixels [x0, x1) x [y0, y1).
struct Pixel_Rect {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    bool operator==(const Pixel_Rect&) const = default;
};

// A part of an image in pixel units, edges rather than centres, so that
// the whole of a W x H image is (0, 0, W, H).
struct Source_Region {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
};

struct Fit_Plan {
    // The part of the picture the image covers; the rest stays black.
    Pixel_Rect dest;
    // The part of the image shown there.
    Source_Region source;
};

// The plan for an image of the size (both sides at least 1) in a target of
// the size (128x96 for a picture). Fit_Mode::none is planned as stretch.
Fit_Plan Plan_Fit(Pixel_Size image, Fit_Mode mode, Pixel_Size target);

// How many target pixels one image pixel becomes along each axis.
double Scale_X(const Fit_Plan& plan);
double Scale_Y(const Fit_Plan& plan);

// The least size a decoder should shrink the image to before filtering:
// twice the size the whole image takes at the plan's scale, never more than
// the image itself.
Pixel_Size Min_Shrunk_Size(Pixel_Size image, const Fit_Plan& plan);

// The largest factor of a box reduction along either axis. A fit's factors
// stay below 128 (the most: a side of 255 pixels that pad shows one pixel
// wide, reduced to two), so the cap only guards the sums.
constexpr int max_box_factor = 256;

// The largest whole factors by which an image of the size can be box-reduced
// along each axis and still be at least `least` (1 where it cannot shrink),
// at most max_box_factor.
Pixel_Size Box_Factors(Pixel_Size image, Pixel_Size least);
