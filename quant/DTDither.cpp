#include "quant/DTDither.h"

#include <array>
#include <vector>

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

#if defined(__SSE2__)
// The same dithering with each pixel's channels as 16-bit lanes (red, green,
// blue, 0) and its four shares worked out together, for a palette searched by
// Nearest_Of_Few. Every share is the same truncated sixteenth, clamped into
// its pixel at once, and each pixel receives its shares in the same order:
// from above right, above, above left, then left.

// Two rows of such pixels, each with a pixel more on either side that takes
// the shares that would leave the image (and is never read back).
struct Lane_Rows {
    explicit Lane_Rows(int width_) : width(width_), lanes(2 * Stride()) {}
    std::size_t Stride() const { return 4 * (static_cast<std::size_t>(width) + 2); }
    std::int16_t* Row(int i) {
        return lanes.data() + static_cast<std::size_t>(i & 1) * Stride() + 4;
    }
    int width;
    std::vector<std::int16_t> lanes;
};

void Load_Row(const DTPixel* pixels, int width, std::int16_t* row) {
    for (int j = 0; j < width; ++j, row += 4) {
        row[0] = pixels[j].r;
        row[1] = pixels[j].g;
        row[2] = pixels[j].b;
        row[3] = 0;
    }
}

// d x weight / 16, truncated toward zero, in every lane.
__m128i Sixteenths(__m128i difference, __m128i weights) {
    const __m128i product = _mm_mullo_epi16(difference, weights);
    const __m128i toward_zero = _mm_and_si128(_mm_srai_epi16(product, 15), _mm_set1_epi16(15));
    return _mm_srai_epi16(_mm_add_epi16(product, toward_zero), 4);
}

__m128i Clamped_Sum(__m128i a, __m128i b) {
    return _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(a, b), _mm_setzero_si128()),
                         _mm_set1_epi16(255));
}

// Reads the image's pixels; writes the dithered ones to out and their
// indices to indices, each where not null (out may be the image's own).
void Dither_By_Few(const DTImage& image, const DTPalette& palette, const Few_Colors_Search& few,
                   DTPixel* out, std::uint8_t* indices) {
    const int width = image.width;
    const int height = image.height;
    // The palette's colours as lanes, 8 bytes each.
    std::array<std::array<std::int16_t, 4>, max_few_colors> colors{};
    for (int n = 0; n < palette.count; ++n) {
        const DTPixel& color = palette.colors[n];
        colors[static_cast<std::size_t>(n)] = {color.r, color.g, color.b, 0};
    }
    // The shares to below left and below, then to below right and right.
    const __m128i weights_below = _mm_setr_epi16(3, 3, 3, 0, 5, 5, 5, 0);
    const __m128i weights_right = _mm_setr_epi16(1, 1, 1, 0, 7, 7, 7, 0);
    Lane_Rows rows(width);
    if (height > 0) {
        Load_Row(image.pixels.data(), width, rows.Row(0));
    }
    for (int i = 0; i < height; ++i) {
        const std::size_t row_start = static_cast<std::size_t>(i) * width;
        std::int16_t* row = rows.Row(i);
        std::int16_t* below = rows.Row(i + 1);
        // Each row goes into the lanes a row before out, which may be the
        // image itself, is written there.
        if (i + 1 < height) {
            Load_Row(image.pixels.data() + row_start + width, width, below);
        }
        __m128i pixel = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row));
        // The pixels below left and below, kept here between steps: each
        // is stored once it has all its shares from this row, and a pixel
        // is never loaded across two earlier stores, which the processor
        // would have to wait for.
        __m128i below_pair = _mm_unpacklo_epi64(
            _mm_setzero_si128(), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(below)));
        for (int j = 0; j < width; ++j) {
            const int index = Nearest_Of_Few<Channel_Cost::squared>(few, pixel);
            const __m128i nearest =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(colors[index].data()));
            const __m128i difference = _mm_sub_epi16(pixel, nearest);
            const __m128i both = _mm_unpacklo_epi64(difference, difference);
            const __m128i to_below = Sixteenths(both, weights_below);
            const __m128i to_right = Sixteenths(both, weights_right);
            below_pair = Clamped_Sum(below_pair, to_below);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(below + 4 * (j - 1)), below_pair);
            const __m128i below_right = Clamped_Sum(
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(below + 4 * (j + 1))), to_right);
            below_pair = _mm_castpd_si128(
                _mm_shuffle_pd(_mm_castsi128_pd(below_pair), _mm_castsi128_pd(below_right), 1));
            pixel =
                Clamped_Sum(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 4 * (j + 1))),
                            _mm_srli_si128(to_right, 8));
            if (indices) {
                indices[row_start + j] = static_cast<std::uint8_t>(index);
            }
            if (out) {
                out[row_start + j] = palette.colors[index];
            }
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(below + 4 * (width - 1)), below_pair);
    }
}
#endif

} // namespace

void ApplyFloydSteinbergDither(DTImage* image, const DTPalette& palette) {
    ApplyFloydSteinbergDither(image, palette, SplitPaletteChannels(palette), nullptr);
}

void ApplyFloydSteinbergDither(DTImage* image, const DTPalette& palette,
                               const DTPaletteChannels& channels, std::uint8_t* indices) {
#if defined(__SSE2__)
    if (channels.by_few && palette.count > 0) {
        Dither_By_Few(*image, palette, channels.few, image->pixels.data(), indices);
        return;
    }
#endif
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

void FloydSteinbergIndices(const DTImage& image, const DTPalette& palette,
                           const DTPaletteChannels& channels, std::uint8_t* indices) {
#if defined(__SSE2__)
    if (channels.by_few && palette.count > 0) {
        Dither_By_Few(image, palette, channels.few, nullptr, indices);
        return;
    }
#endif
    DTImage dithered = image;
    ApplyFloydSteinbergDither(&dithered, palette, channels, indices);
}
