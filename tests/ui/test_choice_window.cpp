#include <gtest/gtest.h>

#include "app/MQ4_Document.h"
#include "support/X_Driver.h"
#include "ui/Picture_Painting.h"
#include "ui/Windows.h"

#include <cstdio>
#include <cstring>

namespace {

// Four pictures that differ everywhere, with colours whose low bits must be
// masked off when shown.
std::array<MQ4_Document, 4> Test_Pictures() {
    std::array<MQ4_Document, 4> pictures;
    for (int p = 0; p < 4; ++p) {
        for (int i = 0; i < palette_size; ++i) {
            pictures[p].palette_rgb[i] = (i * 0x110F07 + p * 0x030507) & 0xFFFFFF;
        }
        for (int n = 0; n < picture_pixels; ++n) {
            pictures[p].pixels[n] = static_cast<std::uint8_t>((n / 3 + n / 128 * p + p) % 16);
        }
    }
    return pictures;
}

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
                    expected =
                        static_cast<std::uint32_t>(Shown_Color(pictures[p].palette_rgb[index]));
                }
            }
            if (y == 818) {
                expected = 0;
            }
            const std::uint32_t got = image.at(x, y);
            bool in_text = false;
            for (std::size_t i = 0; i < std::size(chooser_texts); ++i) {
                const Text& t = chooser_texts[i];
                const int width = XTextWidth(font, t.text, static_cast<int>(std::strlen(t.text)));
                if (x >= t.x && x < t.x + width && y >= t.y - font->ascent &&
                    y < t.y + font->descent) {
                    in_text = true;
                    inked[i] += got == 0 ? 1 : 0;
                }
            }
            if (got != expected && !(in_text && got == 0)) {
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

} // namespace

TEST(ChoiceHits, PreviewsWithoutTheirSideColumnsAndTopRow) {
    struct Case {
        int x, y, slot;
    };
    const Case cases[] = {
        {1, 1, 0},      {0, 100, -1},   {511, 100, -1}, {510, 383, 0},   {1, 0, -1},
        {512, 100, -1}, {513, 100, 1},  {1022, 383, 1}, {1023, 100, -1}, {100, 384, -1},
        {100, 400, -1}, {100, 410, -1}, {100, 411, 2},  {510, 793, 2},   {600, 793, 3},
        {600, 794, -1}, {500, 818, -1}, {500, 839, -1}, {513, 411, 3},   {1022, 793, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Choice_Hit_Slot(c.x, c.y), c.slot) << c.x << "," << c.y;
    }
}

TEST(ChoiceDrawing, PreviewsLineAndTextsFollowTheRules) {
    Display* display = Test_Display();
    ASSERT_NE(display, nullptr);
    const Pixmap pixmap = XCreatePixmap(display, DefaultRootWindow(display), 1024, 850, 24);
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XSetForeground(display, gc, 0xFFFFFF);
    XFillRectangle(display, pixmap, gc, 0, 0, 1024, 850);

    const auto pictures = Test_Pictures();
    const Choice_List list = {&pictures[0], &pictures[1], &pictures[2], &pictures[3]};
    Draw_Choices(list, gc, display, pixmap);
    const Screen_Image image = Read_Drawable(pixmap, 1024, 850);

    XFontStruct* font = XQueryFont(display, XGContextFromGC(gc));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(Compare_With_Chooser_Rules(image, pictures, font), "");
    XFreeFontInfo(nullptr, font, 1);
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
}

TEST(PictureRectangles, RunsOfEqualPixelsMergeWithinARow) {
    MQ4_Document picture;
    picture.pixels.fill(2);
    picture.pixels[5] = 7;
    picture.pixels[6] = 7;
    const auto groups = Picture_Rectangles(picture, 10, 20, 4);
    ASSERT_EQ(groups[7].size(), 1u);
    EXPECT_EQ(groups[7][0].x, 10 + 5 * 4);
    EXPECT_EQ(groups[7][0].width, 8);
    // Row 0 splits around the two pixels; every other row is one run.
    ASSERT_EQ(groups[2].size(), 2u + 95u);
    EXPECT_EQ(groups[2][0].width, 20);
    EXPECT_EQ(groups[2][1].x, 10 + 7 * 4);
    EXPECT_EQ(groups[2][1].width, 121 * 4);
    EXPECT_EQ(groups[2][2].y, 24);
    EXPECT_EQ(groups[2][2].height, 4);
}
