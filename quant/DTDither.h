#pragma once
// Floyd-Steinberg dithering against a fixed palette, in saturating 8-bit
// steps: every share of a pixel's difference is divided by 16 on its own and
// clamped into its neighbour at once.

#include "core/DTImage.h"
#include "quant/DTPalette.h"

#include <cstdint>

// First colour minus second, per channel.
struct DTPixelDifference {
    std::int16_t r;
    std::int16_t g;
    std::int16_t b;
};

std::uint8_t ByteCap(int value);
DTPixelDifference CalculateDifference(DTPixel a, DTPixel b);
// Adds (difference x weight) / 16, truncated toward zero, to each channel.
void ApplyDifference(DTPixel* pixel, DTPixelDifference difference, int weight);
// Rewrites every pixel with a palette colour, row by row, left to right.
void ApplyFloydSteinbergDither(DTImage* image, const DTPalette& palette);
// The same with the palette's channels split by the caller, and, where
// indices is not null, each pixel's palette index written there too: the
// first position of its colour, since the search takes the lowest index of
// equal distances (an empty palette leaves the pixels and writes 0).
void ApplyFloydSteinbergDither(DTImage* image, const DTPalette& palette,
                               const DTPaletteChannels& channels, std::uint8_t* indices);
// The indices of that dithering without the dithered image: the image is
// only read.
void FloydSteinbergIndices(const DTImage& image, const DTPalette& palette,
                           const DTPaletteChannels& channels, std::uint8_t* indices);
