#include "core/Palette.h"

#include "core/Picture_Rules.h"

DTPixel Split_Color(std::int32_t color) {
    return {static_cast<std::uint8_t>((color >> 16) & 0xFF),
            static_cast<std::uint8_t>((color >> 8) & 0xFF),
            static_cast<std::uint8_t>(color & 0xFF)};
}

Palette_Colors Palette_Of(const MQ4_Document& picture) {
    Palette_Colors palette{};
    for (int i = 0; i < palette_size; ++i) {
        palette[i] = Split_Color(picture.palette_rgb[i]);
    }
    return palette;
}

void Set_Palette(MQ4_Document* picture, const Palette_Colors& colors) {
    for (int i = 0; i < palette_size; ++i) {
        picture->palette_rgb[i] = Display_Color(colors[i].r, colors[i].g, colors[i].b);
    }
}
