#include "convert/Perceptual_Conversion.h"

#include "convert/Refined_Conversion.h"
#include "quant/Grid_Refine.h"

#include <algorithm>

Perceptual_Start Refined_Start(const DTImage& working, Octree_Workspace& workspace) {
    return Kept_Start(working, {}, workspace);
}

Perceptual_Start Kept_Start(const DTImage& working, const std::vector<DTPixel>& kept,
                            Octree_Workspace& workspace) {
    Perceptual_Start start;
    start.palette = Refined_Palette(working, kept, workspace);
    start.placed = Kept_Count(kept);
    start.movable.assign(start.palette.size(), true);
    std::fill_n(start.movable.begin(), std::min<std::size_t>(start.placed, start.movable.size()),
                false);
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
    start.placed = palette_size;
    return start;
}

MQ4_Document Convert_Perceptual(const DTImage& working, const Perceptual_Start& start,
                                const Perceptual_Settings& settings) {
    const Perceptual_Fit fit =
        Fit_Perceptual(working, {start.palette, start.indices}, start.movable, settings);
    return Build_Picture(fit.indices, fit.palette,
                         std::min(start.placed, static_cast<int>(fit.palette.size())));
}
