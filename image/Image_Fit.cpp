#include "image/Image_Fit.h"

#include "image/Image_Resize.h"
#include "image/Orientation.h"

#include <algorithm>
#include <cmath>

namespace {

// Reduced pixels that the filter may read beyond the shown region: the
// filters reach two pixels of the larger grid, plus one for rounding.
int Filter_Margin(double scale) {
    return static_cast<int>(std::ceil(2 / std::min(scale, 1.0))) + 2;
}

// Whether turning upright reverses the upright image's x or y axis.
bool Reverses_X(int orientation) {
    return orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
}

bool Reverses_Y(int orientation) {
    return orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
}

// Along a reversed axis the reduction's last, partial block comes first.
double Reversed_Offset(bool reversed, int reduced, int factor, int decoded) {
    return reversed ? static_cast<double>(reduced * factor - decoded) / factor : 0.0;
}

// The shown region among the kept reduced pixels, upright.
Source_Region Shown_In_Reduced(const Image_Fit& fit) {
    const Source_Region& shown = fit.plan.source;
    return {shown.x0 * fit.ratio_x + fit.offset_x, shown.y0 * fit.ratio_y + fit.offset_y,
            shown.x1 * fit.ratio_x + fit.offset_x, shown.y1 * fit.ratio_y + fit.offset_y};
}

} // namespace

Pixel_Size Fit_Decode_Size(Pixel_Size stored, int orientation, Fit_Mode mode) {
    const Pixel_Size upright = Upright_Size(stored, orientation);
    const Pixel_Size least = Min_Shrunk_Size(upright, Plan_Fit(upright, mode, fit_target));
    return Upright_Size(least, orientation); // turning back is the same swap
}

Image_Fit Start_Image_Fit(Pixel_Size stored, int orientation, Fit_Mode mode, Pixel_Size decoded) {
    Image_Fit fit;
    fit.orientation = orientation;
    const Pixel_Size upright = Upright_Size(stored, orientation);
    fit.plan = Plan_Fit(upright, mode, fit_target);
    const Pixel_Size decoded_upright = Upright_Size(decoded, orientation);
    const Pixel_Size factors_upright =
        Box_Factors(decoded_upright, Min_Shrunk_Size(upright, fit.plan));
    const Pixel_Size factors = Upright_Size(factors_upright, orientation);
    const Pixel_Size reduced = Box_Reduced_Size(decoded, factors.width, factors.height);
    const Pixel_Size reduced_upright = Upright_Size(reduced, orientation);
    fit.ratio_x =
        static_cast<double>(decoded_upright.width) / upright.width / factors_upright.width;
    fit.ratio_y =
        static_cast<double>(decoded_upright.height) / upright.height / factors_upright.height;

    fit.offset_x = Reversed_Offset(Reverses_X(orientation), reduced_upright.width,
                                   factors_upright.width, decoded_upright.width);
    fit.offset_y = Reversed_Offset(Reverses_Y(orientation), reduced_upright.height,
                                   factors_upright.height, decoded_upright.height);
    const Source_Region shown = Shown_In_Reduced(fit);
    const int margin_x = Filter_Margin(Scale_X(fit.plan) / fit.ratio_x);
    const int margin_y = Filter_Margin(Scale_Y(fit.plan) / fit.ratio_y);
    fit.keep_upright = {
        std::max(0, static_cast<int>(std::floor(shown.x0)) - margin_x),
        std::max(0, static_cast<int>(std::floor(shown.y0)) - margin_y),
        std::min(reduced_upright.width, static_cast<int>(std::ceil(shown.x1)) + margin_x),
        std::min(reduced_upright.height, static_cast<int>(std::ceil(shown.y1)) + margin_y)};
    fit.box = Start_Box_Reduction(decoded, factors.width, factors.height,
                                  Stored_Rect(fit.keep_upright, reduced, orientation));
    return fit;
}

void Add_Fit_Row(Image_Fit* fit, int y, const DTPixel* row) {
    Add_Box_Pixels(&fit->box, y, 0, 1, row, fit->box.source.width);
}

void Add_Fit_Pixels(Image_Fit* fit, int y, int x0, int step, const DTPixel* pixels, int count) {
    Add_Box_Pixels(&fit->box, y, x0, step, pixels, count);
}

void Add_Fit_Fill(Image_Fit* fit, Pixel_Rect rect, DTPixel colour) {
    Add_Box_Fill(&fit->box, rect, colour);
}

DTImage Finish_Image_Fit(const Image_Fit& fit) {
    DTImage picture;
    picture.width = fit_target.width;
    picture.height = fit_target.height;
    picture.pixelCount = static_cast<std::uint64_t>(picture.width) * picture.height;
    picture.pixels.assign(picture.pixelCount, DTPixel{0, 0, 0});
    const DTImage kept = Finish_Box_Reduction(fit.box);
    if (kept.pixels.empty()) {
        return picture;
    }
    const DTImage upright = Apply_Orientation(kept, fit.orientation);
    const Source_Region shown = Shown_In_Reduced(fit);
    const Source_Region region{shown.x0 - fit.keep_upright.x0, shown.y0 - fit.keep_upright.y0,
                               shown.x1 - fit.keep_upright.x0, shown.y1 - fit.keep_upright.y0};
    const Pixel_Rect& dest = fit.plan.dest;
    const DTImage resized = Resize_Region(upright, region, dest.x1 - dest.x0, dest.y1 - dest.y0);
    for (int y = 0; y < resized.height; ++y) {
        std::copy_n(resized.pixels.begin() + static_cast<std::ptrdiff_t>(y) * resized.width,
                    resized.width,
                    picture.pixels.begin() +
                        static_cast<std::ptrdiff_t>(dest.y0 + y) * picture.width + dest.x0);
    }
    return picture;
}

DTImage Fit_Whole_Image(const DTImage& image, Fit_Mode mode) {
    const Pixel_Size size{image.width, image.height};
    Image_Fit fit = Start_Image_Fit(size, 1, mode, size);
    for (int y = 0; y < image.height; ++y) {
        Add_Fit_Row(&fit, y, &image.pixels[static_cast<std::size_t>(y) * image.width]);
    }
    DTImage fitted = Finish_Image_Fit(fit);
    fitted.type = image.type;
    return fitted;
}
