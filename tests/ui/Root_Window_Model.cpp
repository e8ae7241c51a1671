#include <gtest/gtest.h>

#include "ui/Root_Window_Model.h"

#include "ui/Data.h"

#include <cstdio>
#include <cstring>

namespace {

struct Text_Box {
    const char* text;
    int x, y;
};
constexpr Text_Box texts[] = {
    {"Import a .png file (must be 128x96)", 143, 261},
    {"Open an existing MQ4 file", 190, 341},
    {"Exit the program", 235, 421},
};

std::uint32_t Logo_Pixel(int x, int y) {
    const std::uint8_t byte = zembrix_bitmap[static_cast<std::size_t>((y * 640 + x) / 2)];
    const int index = x % 2 == 0 ? byte >> 4 : byte & 0x0F;
    const std::uint8_t* entry = &zembrix_palette[static_cast<std::size_t>(4 * index)];
    return entry[0] | entry[1] << 8 | entry[2] << 16;
}

std::uint32_t Rule_Pixel(int x, int y) {
    for (int top : {225, 305, 385}) {
        const bool in_plate = x >= 55 && x <= 584 && y >= top && y <= top + 59;
        if (!in_plate) {
            continue;
        }
        const bool outer = (x == 62 || x == 577) && y >= top + 7 && y <= top + 52;
        const bool outer_h = (y == top + 7 || y == top + 52) && x >= 62 && x <= 577;
        const bool inner = (x == 63 || x == 576) && y >= top + 8 && y <= top + 51;
        const bool inner_h = (y == top + 8 || y == top + 51) && x >= 63 && x <= 576;
        return outer || outer_h || inner || inner_h ? 0x404040 : 0x808080;
    }
    if (y >= 30 && y < 210) {
        return Logo_Pixel(x, y - 30);
    }
    return 0;
}

} // namespace

std::string Compare_With_Root_Rules(const Screen_Image& image, XFontStruct* font) {
    if (image.width != 640 || image.height != 480) {
        return "wrong size";
    }
    int whites[3] = {0, 0, 0};
    char where[160];
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::uint32_t expected = image.shown(Rule_Pixel(x, y));
            const std::uint32_t got = image.at(x, y);
            int box = -1;
            for (int i = 0; i < 3; ++i) {
                const int width =
                    XTextWidth(font, texts[i].text, static_cast<int>(std::strlen(texts[i].text)));
                if (x >= texts[i].x && x < texts[i].x + width && y >= texts[i].y - font->ascent &&
                    y < texts[i].y + font->descent) {
                    box = i;
                }
            }
            if (box >= 0 && got == image.shown(0xFFFFFF)) {
                ++whites[box];
                continue;
            }
            if (got != expected) {
                std::snprintf(where, sizeof where, "pixel (%d, %d) is %06X, not %06X", x, y, got,
                              expected);
                return where;
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (whites[i] == 0) {
            return std::string("no white text in \"") + texts[i].text + "\"";
        }
    }
    return "";
}
