#include "convert/Conversion.h"

#include "core/Palette.h"
#include "core/Picture_Rules.h"
#include "core/Report.h"
#include "image/Image_File.h"
#include "quant/DTDither.h"
#include "quant/DTPalette.h"
#include "quant/OctQuant.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using Color_List = Palette_Colors;

bool Same_Color(DTPixel a, DTPixel b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// Rows of picture_width pixels as the octree reads them. The octree only
// reads them, and a DTPixel is the three bytes it wants.
quant_image Quant_View(const std::vector<DTPixel>& pixels) {
    auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels.data());
    return {picture_width, static_cast<std::int32_t>(pixels.size() / picture_width),
            const_cast<std::uint8_t*>(bytes)};
}

quant_image Quant_View(const DTImage& working) {
    return Quant_View(working.pixels);
}

// The picture of an octree reduction: a colour's number is its first position
// in the palette, as looking it up would give, since the colours are
// distinct and in order of first appearance (no more than 16: the reduction
// leaves no more); positions never filled stay black.
MQ4_Document Picture_From_Numbers(const quant_numbered& reduced) {
    MQ4_Document picture;
    std::copy_n(reduced.numbers.begin(), picture_pixels, picture.pixels.begin());
    Color_List list{};
    const std::size_t colors = std::min(reduced.colors.size() / 3, std::size_t{palette_size});
    for (std::size_t n = 0; n < colors; ++n) {
        list[n] = {reduced.colors[3 * n], reduced.colors[3 * n + 1], reduced.colors[3 * n + 2]};
    }
    picture.palette = Display_Palette(list);
    return picture;
}

MQ4_Document Convert_Working(const DTImage& working, int dither, Octree_Workspace& workspace) {
    const quant_image image = Quant_View(working);
    quant_numbered reduced;
    color_quant_numbered(&image, palette_size, dither ? nullptr : &reduced,
                         dither ? &reduced : nullptr, workspace);
    return Picture_From_Numbers(reduced);
}

// The octree pictures without and with diffusion, from one reduction.
void Convert_Working_Both(const DTImage& working, MQ4_Document* plain, MQ4_Document* diffused,
                          Octree_Workspace& workspace) {
    const quant_image image = Quant_View(working);
    quant_numbered plain_reduced;
    quant_numbered diffused_reduced;
    color_quant_numbered(&image, palette_size, &plain_reduced, &diffused_reduced, workspace);
    *plain = Picture_From_Numbers(plain_reduced);
    *diffused = Picture_From_Numbers(diffused_reduced);
}

// The shared palette of the Floyd-Steinberg and closest-colour pictures: the
// 16 display colours of the plain octree picture, unused black entries
// included, prepared once for the searches of both. Made in place and never
// copied: palette points into colors.
struct Mapping_Palette {
    Color_List colors;
    DTPalette palette;
    DTPaletteChannels channels;
};

void Share_Palette(const Color_List& display_colors, Mapping_Palette* shared) {
    shared->colors = display_colors;
    shared->palette = {palette_size, shared->colors.data()};
    shared->channels = SplitPaletteChannels(shared->palette);
}

// The palette of the octree picture without making the picture: its colours
// as the picture shows them.
Color_List Octree_Display_Colors(const DTImage& working, Octree_Workspace& workspace) {
    const std::vector<DTPixel> colors = Octree_Colors(working, workspace);
    Color_List list{};
    std::copy_n(colors.begin(), std::min(colors.size(), std::size_t{palette_size}), list.begin());
    return Display_Palette(list);
}

// The Floyd-Steinberg or the closest-colour picture. The searches give each
// pixel's palette index, which is the first position of its colour (the
// lowest index wins equal distances), as looking the colour up would.
MQ4_Document Map_To_Palette(const DTImage& working, const Mapping_Palette& shared, Method method) {
    MQ4_Document picture;
    if (Method_Info(method).mapping == Pixel_Mapping::import_dither) {
        FloydSteinbergIndices(working, shared.palette, shared.channels, picture.pixels.data());
    } else {
        // Neighbours often share their colour, and with it the nearest one.
        DTPixel previous{};
        std::uint8_t previous_index = 0;
        for (int n = 0; n < picture_pixels; ++n) {
            const DTPixel pixel = working.pixels[static_cast<std::size_t>(n)];
            if (n == 0 || !Same_Color(pixel, previous)) {
                previous = pixel;
                previous_index =
                    static_cast<std::uint8_t>(FindClosestIndex(pixel, shared.channels));
            }
            picture.pixels[static_cast<std::size_t>(n)] = previous_index;
        }
    }
    picture.palette = shared.colors;
    return picture;
}

} // namespace

bool Image_Fills_Picture(const DTImage& image) {
    if (image.pixelCount >= static_cast<std::uint64_t>(picture_pixels) &&
        image.pixels.size() >= static_cast<std::size_t>(picture_pixels)) {
        return true;
    }
    Report("Image %dx%d is smaller than %dx%d (%llu of %d pixels).\n", image.width, image.height,
           picture_width, picture_height, static_cast<unsigned long long>(image.pixelCount),
           picture_pixels);
    return false;
}

std::vector<DTPixel> Octree_Colors(const DTImage& working, Octree_Workspace& workspace) {
    return Octree_Colors(working.pixels, workspace);
}

std::vector<DTPixel> Octree_Colors(const std::vector<DTPixel>& pixels,
                                   Octree_Workspace& workspace) {
    const quant_image image = Quant_View(pixels);
    const std::vector<std::uint8_t> bytes = color_quant_colors(&image, palette_size, workspace);
    std::vector<DTPixel> colors;
    for (std::size_t at = 0; at + 2 < bytes.size(); at += 3) {
        colors.push_back({bytes[at], bytes[at + 1], bytes[at + 2]});
    }
    return colors;
}

DTImage Working_Image(const DTImage& loaded) {
    DTImage working;
    working.width = picture_width;
    working.height = picture_height;
    working.type = loaded.type;
    working.pixelCount = picture_pixels;
    // An image that falls short is padded with black rather than overrun.
    const std::size_t taken = std::min(loaded.pixels.size(), std::size_t{picture_pixels});
    working.pixels.assign(loaded.pixels.begin(), loaded.pixels.begin() + taken);
    working.pixels.resize(picture_pixels, DTPixel{0, 0, 0});
    return working;
}

MQ4_Document Convert_Image(const DTImage& loaded, int dither, Octree_Workspace& workspace) {
    return Convert_Working(Working_Image(loaded), dither, workspace);
}

Candidates Build_Candidates(const DTImage& loaded, Octree_Workspace& workspace) {
    const DTImage working = Working_Image(loaded);
    Candidates candidates;
    Convert_Working_Both(working, &candidates[Index(Method::octree)],
                         &candidates[Index(Method::diffusion)], workspace);
    Mapping_Palette shared;
    Share_Palette(candidates[Index(Method::octree)].palette, &shared);
    candidates[Index(Method::floyd_steinberg)] =
        Map_To_Palette(working, shared, Method::floyd_steinberg);
    candidates[Index(Method::closest)] = Map_To_Palette(working, shared, Method::closest);
    return candidates;
}

MQ4_Document Build_Candidate(const DTImage& loaded, Method method, Octree_Workspace& workspace) {
    const DTImage working = Working_Image(loaded);
    const Pixel_Mapping mapping = Method_Info(method).mapping;
    if (mapping == Pixel_Mapping::octree_diffusion) {
        return Convert_Working(working, 1, workspace);
    }
    if (mapping == Pixel_Mapping::octree_leaf) {
        return Convert_Working(working, 0, workspace);
    }
    Mapping_Palette shared;
    Share_Palette(Octree_Display_Colors(working, workspace), &shared);
    return Map_To_Palette(working, shared, method);
}

std::optional<DTImage> Load_Picture_Image(const std::string& path) {
    // Only the pixels that make the picture are kept, however large the file.
    std::optional<DTImage> image = CreateImageFromFile(path.c_str(), picture_pixels);
    if (!image || !Image_Fills_Picture(*image)) {
        return std::nullopt;
    }
    return image;
}

std::optional<MQ4_Document> Load_PNG_File(const std::string& path, int dither,
                                          Octree_Workspace& workspace) {
    const std::optional<DTImage> image = Load_Picture_Image(path);
    if (!image) {
        return std::nullopt;
    }
    return Convert_Image(*image, dither, workspace);
}

std::optional<Candidates> Load_Candidates(const std::string& path, Octree_Workspace& workspace) {
    const std::optional<DTImage> image = Load_Picture_Image(path);
    if (!image) {
        return std::nullopt;
    }
    return Build_Candidates(*image, workspace);
}
