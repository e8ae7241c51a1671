#include <gtest/gtest.h>

#include "core/MQ4_Document.h"
#include "support/X_Driver.h"
#include "ui/Choice_Window_Model.h"
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
            pictures[p].palette[i] = Split_Color((i * 0x110F07 + p * 0x030507) & 0xFFFFFF);
        }
        for (int n = 0; n < picture_pixels; ++n) {
            pictures[p].pixels[n] = static_cast<std::uint8_t>((n / 3 + n / 128 * p + p) % 16);
        }
    }
    return pictures;
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
