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

std::uint32_t Color_Key(DTPixel pixel) {
    return static_cast<std::uint32_t>(pixel.r) << 16 | static_cast<std::uint32_t>(pixel.g) << 8 |
           pixel.b;
}

// The positions in keys that hold key, as bits (bit i for keys[i]), found in
// one pass without branches to mispredict.
std::uint32_t Matching_Positions(const std::array<std::uint32_t, palette_size>& keys,
                                 std::uint32_t key) {
    std::uint32_t matches = 0;
    for (int i = 0; i < palette_size; ++i) {
        matches |= static_cast<std::uint32_t>(keys[i] == key) << i;
    }
    return matches;
}

// Distinct colours in order of first appearance, at most 16: the quantizer
// leaves no more.
std::vector<DTPixel> Collect_Colors(const std::vector<DTPixel>& pixels) {
    std::vector<DTPixel> colors;
    std::array<std::uint32_t, palette_size> keys{};
    std::uint32_t previous = 0;
    for (const DTPixel& pixel : pixels) {
        const std::uint32_t key = Color_Key(pixel);
        // Neighbours mostly share their colour.
        if (!colors.empty() && key == previous) {
            continue;
        }
        previous = key;
        const std::uint32_t known =
            Matching_Positions(keys, key) & ((std::uint32_t{1} << colors.size()) - 1);
        if (known == 0) {
            keys[colors.size()] = key;
            colors.push_back(pixel);
            // No later colour can be taken.
            if (colors.size() == static_cast<std::size_t>(palette_size)) {
                break;
            }
        }
    }
    return colors;
}

// The colours as a full palette: positions never filled stay black.
Color_List Padded(const std::vector<DTPixel>& colors) {
    Color_List list{};
    std::copy(colors.begin(), colors.end(), list.begin());
    return list;
}

// Each pixel gets the first position holding its colour (where a list holds
// one colour twice, the lower one), or 0 when the list lacks it.
MQ4_Document Build_Picture(const std::vector<DTPixel>& pixels, const Color_List& list) {
    std::array<std::uint32_t, palette_size> keys{};
    for (int i = 0; i < palette_size; ++i) {
        keys[i] = Color_Key(list[i]);
    }
    // The colours met so far with their positions, by a hash of the colour:
    // a picture has few colours, so nearly every pixel finds its own here.
    // Keys have 24 bits, so no colour has the key of an empty entry.
    constexpr std::uint32_t empty = 0xFFFFFFFF;
    std::array<std::uint32_t, 64> seen_keys;
    seen_keys.fill(empty);
    std::array<std::uint8_t, 64> seen_positions{};
    MQ4_Document picture;
    for (int n = 0; n < picture_pixels; ++n) {
        const std::uint32_t key = Color_Key(pixels[static_cast<std::size_t>(n)]);
        const std::size_t at = (key * 0x9E3779B1u) >> 26;
        if (seen_keys[at] != key) {
            const std::uint32_t matches = Matching_Positions(keys, key);
            seen_keys[at] = key;
            seen_positions[at] =
                matches == 0 ? 0 : static_cast<std::uint8_t>(__builtin_ctz(matches));
        }
        picture.pixels[static_cast<std::size_t>(n)] = seen_positions[at];
    }
    picture.palette = Display_Palette(list);
    return picture;
}

std::vector<std::uint8_t> Sample_Bytes(const DTImage& working) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(picture_pixels) * 3);
    for (int n = 0; n < picture_pixels; ++n) {
        bytes[3 * n] = working.pixels[n].r;
        bytes[3 * n + 1] = working.pixels[n].g;
        bytes[3 * n + 2] = working.pixels[n].b;
    }
    return bytes;
}

std::vector<DTPixel> Pixels_From_Bytes(const std::vector<std::uint8_t>& bytes) {
    std::vector<DTPixel> pixels(picture_pixels);
    for (int n = 0; n < picture_pixels; ++n) {
        pixels[n] = {bytes[3 * n], bytes[3 * n + 1], bytes[3 * n + 2]};
    }
    return pixels;
}

MQ4_Document Picture_From_Bytes(const std::vector<std::uint8_t>& bytes) {
    const std::vector<DTPixel> reduced = Pixels_From_Bytes(bytes);
    return Build_Picture(reduced, Padded(Collect_Colors(reduced)));
}

MQ4_Document Convert_Working(const DTImage& working, int dither) {
    std::vector<std::uint8_t> bytes = Sample_Bytes(working);
    quant_image image{picture_width, picture_height, bytes.data()};
    color_quant(&image, palette_size, dither);
    return Picture_From_Bytes(bytes);
}

// The octree pictures without and with diffusion, from one reduction.
void Convert_Working_Both(const DTImage& working, MQ4_Document* plain, MQ4_Document* diffused) {
    std::vector<std::uint8_t> bytes = Sample_Bytes(working);
    const quant_image image{picture_width, picture_height, bytes.data()};
    std::vector<std::uint8_t> plain_bytes(bytes.size());
    std::vector<std::uint8_t> diffused_bytes(bytes.size());
    color_quant_both(&image, palette_size, plain_bytes.data(), diffused_bytes.data());
    *plain = Picture_From_Bytes(plain_bytes);
    *diffused = Picture_From_Bytes(diffused_bytes);
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

void Share_Palette(const MQ4_Document& octree, Mapping_Palette* shared) {
    shared->colors = octree.palette;
    shared->palette = {palette_size, shared->colors.data()};
    shared->channels = SplitPaletteChannels(shared->palette);
}

// The Floyd-Steinberg or the closest-colour picture. The searches give each
// pixel's palette index, which is the first position of its colour (the
// lowest index wins equal distances), as looking the colour up would.
MQ4_Document Map_To_Palette(const DTImage& working, const Mapping_Palette& shared, Method method) {
    MQ4_Document picture;
    if (Method_Info(method).mapping == Pixel_Mapping::import_dither) {
        DTImage dithered = working;
        ApplyFloydSteinbergDither(&dithered, shared.palette, shared.channels,
                                  picture.pixels.data());
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

std::vector<DTPixel> Octree_Colors(const DTImage& working) {
    std::vector<std::uint8_t> bytes = Sample_Bytes(working);
    quant_image image{picture_width, picture_height, bytes.data()};
    color_quant(&image, palette_size, 0);
    return Collect_Colors(Pixels_From_Bytes(bytes));
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

MQ4_Document Convert_Image(const DTImage& loaded, int dither) {
    return Convert_Working(Working_Image(loaded), dither);
}

Candidates Build_Candidates(const DTImage& loaded) {
    const DTImage working = Working_Image(loaded);
    Candidates candidates;
    Convert_Working_Both(working, &candidates[Index(Method::octree)],
                         &candidates[Index(Method::diffusion)]);
    Mapping_Palette shared;
    Share_Palette(candidates[Index(Method::octree)], &shared);
    candidates[Index(Method::floyd_steinberg)] =
        Map_To_Palette(working, shared, Method::floyd_steinberg);
    candidates[Index(Method::closest)] = Map_To_Palette(working, shared, Method::closest);
    return candidates;
}

MQ4_Document Build_Candidate(const DTImage& loaded, Method method) {
    const DTImage working = Working_Image(loaded);
    const Pixel_Mapping mapping = Method_Info(method).mapping;
    if (mapping == Pixel_Mapping::octree_diffusion) {
        return Convert_Working(working, 1);
    }
    MQ4_Document octree = Convert_Working(working, 0);
    if (mapping == Pixel_Mapping::octree_leaf) {
        return octree;
    }
    Mapping_Palette shared;
    Share_Palette(octree, &shared);
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

std::optional<MQ4_Document> Load_PNG_File(const std::string& path, int dither) {
    const std::optional<DTImage> image = Load_Picture_Image(path);
    if (!image) {
        return std::nullopt;
    }
    return Convert_Image(*image, dither);
}

std::optional<Candidates> Load_Candidates(const std::string& path) {
    const std::optional<DTImage> image = Load_Picture_Image(path);
    if (!image) {
        return std::nullopt;
    }
    return Build_Candidates(*image);
}
