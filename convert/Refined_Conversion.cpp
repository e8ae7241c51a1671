#include "convert/Refined_Conversion.h"

#include "convert/Conversion.h"
#include "convert/Perceptual_Conversion.h"
#include "core/Picture_Rules.h"
#include "quant/Grid_Refine.h"

#include <algorithm>
#include <cstddef>

std::vector<DTPixel> Refined_Palette(const DTImage& working, Octree_Workspace& workspace) {
    return Refined_Palette(working, {}, workspace);
}

std::vector<DTPixel> Refined_Palette(const DTImage& working, const std::vector<DTPixel>& kept,
                                     Octree_Workspace& workspace) {
    return Refine_Grid_Palette(working.pixels, Octree_Colors(working, workspace), palette_size,
                               kept);
}

MQ4_Document Convert_Refined(const DTImage& loaded, bool dither, Octree_Workspace& workspace) {
    return Convert_Refined(
        loaded, Refined_Options{{dither ? Dither_Kind::floyd_steinberg : Dither_Kind::none}, {}},
        workspace);
}

MQ4_Document Convert_Refined(const DTImage& loaded, const Refined_Options& options,
                             Octree_Workspace& workspace) {
    const DTImage working = Working_Image(loaded);
    const std::vector<DTPixel> palette = Refined_Palette(working, options.kept, workspace);
    return Refined_Picture(working, palette, options.dither, Kept_Count(options.kept));
}

MQ4_Document Build_Picture(const std::vector<std::uint8_t>& indices,
                           const std::vector<DTPixel>& palette, int kept) {
    MQ4_Document picture;
    std::array<int, palette_size> renumbered;
    renumbered.fill(-1);
    int used = 0;
    for (; used < kept; ++used) {
        renumbered[used] = used;
        picture.palette[used] = Display_Pixel(palette[used]);
    }
    for (int n = 0; n < picture_pixels; ++n) {
        const std::uint8_t index = indices[n];
        if (renumbered[index] < 0) {
            const DTPixel color = palette[index];
            renumbered[index] = used;
            picture.palette[used] = Display_Pixel(color);
            ++used;
        }
        picture.pixels[n] = static_cast<std::uint8_t>(renumbered[index]);
    }
    return picture;
}

int Kept_Count(const std::vector<DTPixel>& kept) {
    return static_cast<int>(Kept_Grid_Colors(kept, palette_size).size());
}

MQ4_Document Refined_Picture(const DTImage& working, const std::vector<DTPixel>& palette,
                             const Dither_Options& dither, int kept) {
    return Build_Picture(Map_Dithered(working, palette, dither), palette, kept);
}

MQ4_Document Build_Method_Picture(const DTImage& loaded, Method method,
                                  Octree_Workspace& workspace) {
    const Method_Row& row = Method_Info(method);
    switch (row.fit) {
    case Palette_Fit::grid:
        return Convert_Refined(loaded, row.mapping == Pixel_Mapping::grid_diffusion, workspace);
    case Palette_Fit::viewing: {
        const DTImage working = Working_Image(loaded);
        return Convert_Perceptual(working, Refined_Start(working, workspace));
    }
    case Palette_Fit::octree:
        break;
    }
    return Build_Candidate(loaded, method, workspace);
}
