#include "ui/Choice_Window_Model.h"

#include "ui/Picture_Painting.h"

#include <cstdio>
#include <cstring>

namespace {

struct Text {
    const char* text;
    int x, y;
};
constexpr Text chooser_texts[] = {
    {"- click on the image to import -", 425, 839},
    {"Floyd Steinberg dither", 190, 401},
    {"Diffusion dither", 715, 401},
    {"Octree quantization, no dither", 160, 810},
    {"Closest color, no dither", 690, 810},
};

} // namespace

std::string Compare_With_Chooser_Rules(const Screen_Image& image,
                                       const std::array<MQ4_Document, 4>& pictures,
                                       XFontStruct* font) {
    const int origins[4][2] = {{0, 0}, {512, 0}, {0, 410}, {512, 410}};
    char where[160];
    int inked[std::size(chooser_texts)] = {};
    for (int y = 0; y < 850; ++y) {
        for (int x = 0; x < 1024; ++x) {
            std::uint32_t expected = 0xFFFFFF;
            for (int p = 0; p < 4; ++p) {
                const int px = x - origins[p][0];
                const int py = y - origins[p][1];
                if (px >= 0 && px < 512 && py >= 0 && py < 384) {
                    const int index = pictures[p].pixels[(py / 4) * 128 + px / 4];
                    expected = static_cast<std::uint32_t>(
                        Shown_Color(Color_Word(pictures[p].palette[index])));
                }
            }
            if (y == 818) {
                expected = 0;
            }
            expected = image.shown(expected);
            const std::uint32_t got = image.at(x, y);
            const std::uint32_t ink = image.shown(0x000000);
            bool in_text = false;
            for (std::size_t i = 0; i < std::size(chooser_texts); ++i) {
                const Text& t = chooser_texts[i];
                const int width = XTextWidth(font, t.text, static_cast<int>(std::strlen(t.text)));
                if (x >= t.x && x < t.x + width && y >= t.y - font->ascent &&
                    y < t.y + font->descent) {
                    in_text = true;
                    inked[i] += got == ink ? 1 : 0;
                }
            }
            if (got != expected && !(in_text && got == ink)) {
                std::snprintf(where, sizeof where, "pixel (%d, %d) is %06X, not %06X", x, y, got,
                              expected);
                return where;
            }
        }
    }
    for (std::size_t i = 0; i < std::size(chooser_texts); ++i) {
        if (inked[i] < 20) {
            return std::string("no text \"") + chooser_texts[i].text + "\"";
        }
    }
    return "";
}
