#include "convert/Perceptual_Conversion.h"

#include "convert/Refined_Conversion.h"
#include "quant/Grid_Refine.h"

#include <algorithm>

Perceptual_Start Refined_Start(const DTImage& working) {
    Perceptual_Start start;
    start.palette = Refined_Palette(working);
    start.movable.assign(start.palette.size(), true);
    start.indices = Map_Diffused(working, start.palette);
    return start;
}

Perceptual_Start Given_Palette_Start(const DTImage& working, const Palette_Colors& palette,
                                     const std::vector<bool>& movable) {
    Perceptual_Start start;
    start.palette.assign(palette.begin(), palette.end());
    start.movable = movable;
    start.movable.resize(start.palette.size(), false);
    start.indices = Map_Diffused(working, start.palette);
    start.renumber = false;
    return start;
}

MQ4_Document Convert_Perceptual(const DTImage& working, const Perceptual_Start& start,
                                const Perceptual_Settings& settings) {
    const Perceptual_Fit fit =
        Fit_Perceptual(working, {start.palette, start.indices}, start.movable, settings);
    if (start.renumber) {
        return Build_Picture(fit.indices, fit.palette);
    }
    MQ4_Document picture;
    std::copy_n(fit.indices.begin(), picture_pixels, picture.pixels.begin());
    Palette_Colors colors{};
    std::copy_n(fit.palette.begin(), std::min<std::size_t>(fit.palette.size(), palette_size),
                colors.begin());
    picture.palette = Display_Palette(colors);
    return picture;
}
