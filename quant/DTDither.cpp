#include "quant/DTDither.h"

#include <array>

std::uint8_t ByteCap(int value) {
    if (value > 255) {
        return 255;
    }
    if (value < 0) {
        return 0;
    }
    return static_cast<std::uint8_t>(value);
}

DTPixelDifference CalculateDifference(DTPixel a, DTPixel b) {
    return {static_cast<std::int16_t>(a.r - b.r), static_cast<std::int16_t>(a.g - b.g),
            static_cast<std::int16_t>(a.b - b.b)};
}

void ApplyDifference(DTPixel* pixel, DTPixelDifference difference, int weight) {
    pixel->r = ByteCap(pixel->r + difference.r * weight / 16);
    pixel->g = ByteCap(pixel->g + difference.g * weight / 16);
    pixel->b = ByteCap(pixel->b + difference.b * weight / 16);
}

namespace {

// The shares of a difference of -255..255 (at 255 + the difference) that
// ApplyDifference adds for one weight, and ByteCap of any sum of a byte and
// a share (at 255 + the sum): the same numbers, looked up.
struct Share_Tables {
    std::array<std::array<std::int16_t, 511>, 4> shares;
    std::array<std::uint8_t, 766> capped;
};

constexpr int share_weights[4] = {7, 3, 5, 1};

Share_Tables Make_Share_Tables() {
    Share_Tables tables{};
    for (int w = 0; w < 4; ++w) {
        for (int d = -255; d <= 255; ++d) {
            tables.shares[w][static_cast<std::size_t>(255 + d)] =
                static_cast<std::int16_t>(d * share_weights[w] / 16);
        }
    }
    for (int v = -255; v <= 510; ++v) {
        tables.capped[static_cast<std::size_t>(255 + v)] = ByteCap(v);
    }
    return tables;
}

const Share_Tables share_tables = Make_Share_Tables();

// ApplyDifference with the share of weight share_weights[w].
void Add_Share(DTPixel* pixel, const int (&difference)[3], int w) {
    const std::int16_t* share = share_tables.shares[static_cast<std::size_t>(w)].data() + 255;
    const std::uint8_t* capped = share_tables.capped.data() + 255;
    pixel->r = capped[pixel->r + share[difference[0]]];
    pixel->g = capped[pixel->g + share[difference[1]]];
    pixel->b = capped[pixel->b + share[difference[2]]];
}

} // namespace

void ApplyFloydSteinbergDither(DTImage* image, const DTPalette& palette) {
    ApplyFloydSteinbergDither(image, palette, SplitPaletteChannels(palette), nullptr);
}

void ApplyFloydSteinbergDither(DTImage* image, const DTPalette& palette,
                               const DTPaletteChannels& channels, std::uint8_t* indices) {
    const int width = image->width;
    const int height = image->height;
    for (int i = 0; i < height; ++i) {
        DTPixel* row = &image->pixels[static_cast<std::size_t>(i) * width];
        DTPixel* below = i + 1 < height ? row + width : nullptr;
        for (int j = 0; j < width; ++j) {
            DTPixel* pixel = row + j;
            const int index = palette.count > 0 ? FindClosestIndex(*pixel, channels) : 0;
            const DTPixel nearest = palette.count > 0 ? palette.colors[index] : *pixel;
            if (indices) {
                indices[static_cast<std::size_t>(i) * width + j] = static_cast<std::uint8_t>(index);
            }
            const int difference[3] = {pixel->r - nearest.r, pixel->g - nearest.g,
                                       pixel->b - nearest.b};
            // Right, below left, below and below right, in this order: each
            // share is clamped into its pixel at once.
            if (j + 1 < width) {
                Add_Share(pixel + 1, difference, 0);
            }
            if (below) {
                if (j > 0) {
                    Add_Share(below + j - 1, difference, 1);
                }
                Add_Share(below + j, difference, 2);
                if (j + 1 < width) {
                    Add_Share(below + j + 1, difference, 3);
                }
            }
            *pixel = nearest;
        }
    }
}
