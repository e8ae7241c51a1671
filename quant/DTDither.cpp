#include "quant/DTDither.h"

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

void ApplyFloydSteinbergDither(DTImage* image, const DTPalette& palette) {
    const int width = image->width;
    const int height = image->height;
    auto at = [&](int row, int column) -> DTPixel* {
        return &image->pixels[static_cast<std::size_t>(row) * width + column];
    };
    const DTPaletteChannels channels = SplitPaletteChannels(palette);
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < width; ++j) {
            DTPixel* pixel = at(i, j);
            const DTPixel nearest = FindClosestColor(*pixel, palette, channels);
            const DTPixelDifference difference = CalculateDifference(*pixel, nearest);
            if (j + 1 < width) {
                ApplyDifference(at(i, j + 1), difference, 7);
            }
            if (i + 1 < height && j > 0) {
                ApplyDifference(at(i + 1, j - 1), difference, 3);
            }
            if (i + 1 < height) {
                ApplyDifference(at(i + 1, j), difference, 5);
            }
            if (i + 1 < height && j + 1 < width) {
                ApplyDifference(at(i + 1, j + 1), difference, 1);
            }
            *pixel = nearest;
        }
    }
}
