#include "core/Palette.h"

#include "core/Picture_Rules.h"

#include <algorithm>

DTPixel Display_Pixel(DTPixel color) {
    return {static_cast<std::uint8_t>(Downsample(color.r)),
            static_cast<std::uint8_t>(Downsample(color.g)),
            static_cast<std::uint8_t>(Downsample(color.b))};
}

Palette_Colors Display_Palette(const Palette_Colors& colors) {
    Palette_Colors shown{};
    for (int i = 0; i < palette_size; ++i) {
        shown[i] = Display_Pixel(colors[i]);
    }
    return shown;
}

std::int32_t Color_Word(DTPixel color) {
    return (color.r << 16) | (color.g << 8) | color.b;
}

DTPixel Split_Color(std::int32_t color) {
    return {static_cast<std::uint8_t>((color >> 16) & 0xFF),
            static_cast<std::uint8_t>((color >> 8) & 0xFF),
            static_cast<std::uint8_t>(color & 0xFF)};
}

Palette_Colors Padded_Palette(const std::vector<DTPixel>& colors) {
    Palette_Colors palette{};
    std::copy_n(colors.begin(), std::min(colors.size(), palette.size()), palette.begin());
    return palette;
}
