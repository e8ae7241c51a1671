#include "convert/Palette_Mapping.h"

#include "convert/Conversion.h"
#include "convert/Perceptual_Conversion.h"
#include "convert/Refined_Conversion.h"
#include "core/Picture_Rules.h"
#include "quant/DTDither.h"
#include "quant/DTPalette.h"
#include "quant/Grid_Refine.h"
#include "quant/OctQuant.h"

#include <algorithm>

namespace {

std::vector<std::uint8_t> Dithered_Indices(const DTImage& working, const Palette_Colors& palette) {
    DTImage mapped = working;
    ApplyFloydSteinbergDither(&mapped, {palette_size, palette.data()});
    std::vector<std::uint8_t> indices;
    indices.reserve(mapped.pixels.size());
    for (const DTPixel& pixel : mapped.pixels) {
        // Every pixel is now a palette colour; where the palette holds it
        // twice, the dithering chose the first.
        const auto found = std::find(palette.begin(), palette.end(), pixel);
        indices.push_back(static_cast<std::uint8_t>(found - palette.begin()));
    }
    return indices;
}

} // namespace

MQ4_Document Map_Onto_Palette(const DTImage& working, const Palette_Colors& palette,
                              Method method) {
    const std::vector<DTPixel> colors(palette.begin(), palette.end());
    std::vector<std::uint8_t> indices;
    switch (Method_Info(method).mapping) {
    case Pixel_Mapping::import_dither:
        indices = Dithered_Indices(working, palette);
        break;
    case Pixel_Mapping::grid_diffusion:
        indices = Map_Diffused(working, colors);
        break;
    case Pixel_Mapping::viewing_search:
        // Only the pixels move: the palette is the one given.
        return Convert_Perceptual(working, Given_Palette_Start(working, palette));
    case Pixel_Mapping::nearest:
    case Pixel_Mapping::octree_diffusion: // refused by the callers: they take no palette
    case Pixel_Mapping::octree_leaf:
        indices = Map_Nearest(working.pixels, colors);
        break;
    }
    MQ4_Document picture;
    std::copy_n(indices.begin(), picture_pixels, picture.pixels.begin());
    picture.palette = Display_Palette(palette);
    return picture;
}

MQ4_Document Map_Onto_Palette(const DTImage& working, const Palette_Colors& palette,
                              const Dither_Options& dither) {
    const std::vector<std::uint8_t> indices =
        Map_Dithered(working, std::vector<DTPixel>(palette.begin(), palette.end()), dither);
    MQ4_Document picture;
    std::copy_n(indices.begin(), picture_pixels, picture.pixels.begin());
    picture.palette = Display_Palette(palette);
    return picture;
}

Palette_Colors Fit_Shared_Palette(const std::vector<DTPixel>& pixels,
                                  const std::vector<DTPixel>& kept, Octree_Workspace& workspace) {
    if (pixels.size() < static_cast<std::size_t>(picture_width)) {
        return Padded_Palette(Refine_Grid_Palette({}, {}, palette_size, kept));
    }
    // The octree's colours of all the pixels as one tall image start the
    // fit, as each picture's own octree colours start the refined method's.
    return Padded_Palette(
        Refine_Grid_Palette(pixels, Octree_Colors(pixels, workspace), palette_size, kept));
}

Palette_Colors Fill_Palette(const DTImage& working, const std::vector<DTPixel>& given,
                            Octree_Workspace& workspace) {
    return Padded_Palette(Refined_Palette(working, given, workspace));
}

DTImage Picture_Image(const MQ4_Document& picture) {
    DTImage image;
    image.width = picture_width;
    image.height = picture_height;
    image.type = DTImageTypeUnknown;
    image.pixelCount = picture_pixels;
    image.pixels.reserve(picture_pixels);
    for (const std::uint8_t index : picture.pixels) {
        image.pixels.push_back(picture.palette[index & 0x0F]);
    }
    return image;
}
