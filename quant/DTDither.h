#pragma once
// Floyd-Steinberg dithering against a fixed palette, in saturating 8-bit
// steps: every share of a pixel's difference is divided by 16 on its own and
// clamped into its neighbour at once.

#include "image/DTImage.h"
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
