#include "convert/Perceptual_Conversion.h"

#include "convert/Refined_Conversion.h"
#include "quant/Grid_Refine.h"

#include <algorithm>
#include <array>

Perceptual_Start Refined_Start(const DTImage& working, Octree_Workspace& workspace) {
    Perceptual_Start start;
    start.palette = Refined_Palette(working, workspace);
    start.movable.assign(start.palette.size(), true);
    start.indices = Map_Diffused(working, start.palette);
    return start;
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
    const int placed = std::min(start.placed, static_cast<int>(fit.palette.size()));
    MQ4_Document picture;
    std::array<int, palette_size> numbers;
    numbers.fill(-1);
    for (int i = 0; i < placed; ++i) {
        numbers[i] = i;
        picture.palette[i] = Display_Pixel(fit.palette[i]);
    }
    int next = placed;
    for (int n = 0; n < picture_pixels; ++n) {
        const std::uint8_t index = fit.indices[n];
        if (numbers[index] < 0) {
            numbers[index] = next;
            picture.palette[next] = Display_Pixel(fit.palette[index]);
            ++next;
        }
        picture.pixels[n] = static_cast<std::uint8_t>(numbers[index]);
    }
    return picture;
}
