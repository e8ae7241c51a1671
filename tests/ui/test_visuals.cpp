// The choice of a visual, colours as its pixel values, and window titles as
// UTF-8: the parts of the window session that need no display.

#include <gtest/gtest.h>

#include "ui/Pixel_Format.h"
#include "ui/X_Session.h"

#include <X11/X.h>

TEST(PixelFormat, ColoursBecomeThePixelValuesOfTheVisual) {
    const Pixel_Format rgb_565{0xF800, 0x07E0, 0x001F, 0};
    const Pixel_Format rgb_555{0x7C00, 0x03E0, 0x001F, 0};
    const Pixel_Format bgr_30{0x3FF, 0xFFC00, 0x3FF00000, 0};
    const Pixel_Format argb_32{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    const Pixel_Format rgb_332{0x07, 0x38, 0xC0, 0};
    struct Case {
        const char* visual;
        Pixel_Format format;
        unsigned long color;
        unsigned long pixel;
    };
    const Case cases[] = {
        {"24-bit", rgb_24, 0x123456, 0x123456},
        {"24-bit", rgb_24, 0xF8F8F8, 0xF8F8F8},
        {"16-bit", rgb_565, 0xFFFFFF, 0xFFFF},
        {"16-bit", rgb_565, 0x808080, 0x8410},
        {"16-bit", rgb_565, 0x0F070F, 0x0821}, // the low bits are dropped
        {"16-bit", rgb_565, 0xF80000, 0xF800},
        {"15-bit", rgb_555, 0xF8F8F8, 0x7FFF},
        {"15-bit", rgb_555, 0x404040, 0x2108},
        {"30-bit, blue high", bgr_30, 0xFF0000, 0x3FF},
        {"30-bit, blue high", bgr_30, 0x000080, 0x20200000}, // 0x80 widens to 0x202
        {"30-bit, blue high", bgr_30, 0xFFFFFF, 0x3FFFFFFF},
        {"32-bit with alpha", argb_32, 0x000000, 0xFF000000},
        {"32-bit with alpha", argb_32, 0x123456, 0xFF123456},
        {"8-bit 3-3-2", rgb_332, 0xE0E0C0, 0xFF},
        {"8-bit 3-3-2", rgb_332, 0x20C040, 0x71},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pixel_Value(c.format, c.color), c.pixel)
            << c.visual << std::hex << " colour 0x" << c.color;
    }
}

TEST(WindowVisual, TrueColorOfTwentyFourBitsFirst) {
    struct Case {
        const char* screen;
        std::vector<Visual_Offer> offers;
        std::optional<std::size_t> chosen;
    };
    const Case cases[] = {
        {"24-bit default", {{DirectColor, 24, false}, {TrueColor, 24, true}}, 1},
        {"8-bit default, 24-bit offered",
         {{PseudoColor, 8, true}, {TrueColor, 8, false}, {TrueColor, 24, false}},
         2},
        {"16-bit default, 24-bit offered", {{TrueColor, 16, true}, {TrueColor, 24, false}}, 1},
        {"16-bit default",
         {{TrueColor, 16, true}, {DirectColor, 16, false}, {TrueColor, 32, false}},
         0},
        {"15-bit default", {{DirectColor, 15, false}, {TrueColor, 15, true}}, 1},
        {"30-bit default", {{TrueColor, 32, false}, {TrueColor, 30, true}}, 1},
        {"pseudo-colour default, deepest TrueColor",
         {{PseudoColor, 8, true}, {TrueColor, 15, false}, {TrueColor, 16, false}},
         2},
        {"only a 32-bit TrueColor", {{PseudoColor, 8, true}, {TrueColor, 32, false}}, 1},
        {"no TrueColor at all",
         {{PseudoColor, 8, true}, {DirectColor, 24, false}, {StaticGray, 1, false}},
         std::nullopt},
        {"no visuals", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Choose_Visual(c.offers), c.chosen) << c.screen;
    }
}

TEST(WindowTitle, TitlesAreMadeValidUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"scene.MQ4", "scene.MQ4"},
        {"caf\xC3\xA9.MQ4", "caf\xC3\xA9.MQ4"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.MQ4", "\xE6\x97\xA5\xE6\x9C\xAC.MQ4"},
        {"\xF0\x9F\x98\x80.MQ4", "\xF0\x9F\x98\x80.MQ4"},
        // A Latin-1 name, a cut sequence, an overlong form and a surrogate.
        {"caf\xE9.MQ4", "caf\xEF\xBF\xBD.MQ4"},
        {"a\xE6\x97", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Title_Text(bytes), text) << bytes;
    }
}
