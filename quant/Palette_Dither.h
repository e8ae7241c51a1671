#pragma once
// Mapping an image onto any palette of up to 16 colours with the dithering an
// artist chooses: none (nearest colour), error diffusion with one of four
// kernels, or ordered dithering by position (Bayer matrices or a blue-noise
// mask). The ordered kinds mix palette colours in proportion: each distinct
// pixel colour gets a plan of palette colours whose mean in linear light
// makes it, and the threshold at the pixel's position picks one of them.
// Results depend on nothing but the arguments.

#include "core/DTImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

enum class Dither_Kind {
    none,
    floyd_steinberg,
    atkinson,
    sierra_lite,
    jarvis,
    bayer2,
    bayer4,
    bayer8,
    blue_noise,
};
constexpr int dither_kind_count = 9;

struct Dither_Options {
    Dither_Kind kind = Dither_Kind::none;
    // 0 to 100: the share of each error passed on, or of the way from the
    // nearest colour to the pixel that a pattern goes; 0 is nearest colour.
    int strength = 100;
    // Error diffusion alternates direction on odd rows. Floyd-Steinberg always
    // does (it gives the refined-dither method's exact bytes); the other
    // kernels go left to right unless this is set. Ordered kinds ignore it.
    bool serpentine = false;
};

// The command-line names ("none", "floyd-steinberg", "atkinson",
// "sierra-lite", "jarvis", "bayer2", "bayer4", "bayer8", "blue-noise"), in
// the order of the enumeration.
extern const std::array<std::string_view, dither_kind_count> dither_kind_names;
std::string_view Dither_Kind_Name(Dither_Kind kind);
std::optional<Dither_Kind> Dither_Kind_Named(std::string_view name);
bool Is_Ordered(Dither_Kind kind);

// Each pixel's palette index (width x height of them; pixels the image does
// not hold count as black) among the palette's first 16 colours; all 0 for
// an empty palette. Errors are
// measured against the colours shown, in sixteenths of a level, and a value
// pushed out of 0..255 is clamped, as the refined-dither method does;
// floyd-steinberg at strength 100 is the refined-dither method's mapping
// (Map_Diffused below), and at strength 0 any kind gives Map_Nearest's.
std::vector<std::uint8_t> Map_Dithered(const DTImage& image, const std::vector<DTPixel>& palette,
                                       const Dither_Options& options);

// One share of an error-diffusion kernel: the offset ahead of the pixel
// (dx mirrored on rows scanned backwards) and its weight.
struct Diffusion_Share {
    int dx;
    int dy;
    int weight;
};
struct Diffusion_Kernel {
    std::vector<Diffusion_Share> shares;
    // The weights are sixteenths, eighths, ... of the error: Atkinson's six
    // eighths pass on only three quarters of it.
    int divisor;
};
// The kernel of an error-diffusion kind; empty for the others.
Diffusion_Kernel Kernel_Of(Dither_Kind kind);

// The threshold ranks of an ordered kind, side x side of them, each of
// 0 .. side*side-1 once; the pixel (x, y) takes rank [(y % side) * side + x % side].
struct Threshold_Matrix {
    int side = 0;
    std::vector<int> ranks;
};
Threshold_Matrix Threshold_Matrix_Of(Dither_Kind kind);

// Each pixel's palette index by Floyd-Steinberg error diffusion (7, 3, 5 and 1
// sixteenths of the error against the colour shown) in serpentine order: even
// rows from the left, odd rows from the right. Values are kept in sixteenths
// of a level; a pixel pushed out of 0..255 is clamped before its nearest
// colour is found and its error taken. The refined-dither method's mapping:
// Map_Dithered with floyd-steinberg at full strength.
std::vector<std::uint8_t> Map_Diffused(const DTImage& image, const std::vector<DTPixel>& palette);
