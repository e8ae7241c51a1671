#include <gtest/gtest.h>

#include "ui/Data.h"
#include "ui/Root_Window_Model.h"
#include "ui/Windows.h"

TEST(RootDrawing, EveryPixelFollowsTheRules) {
    Display* display = Test_Display();
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const Pixmap pixmap = XCreatePixmap(display, root, 640, 480, 24);
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XFontStruct* font = XLoadQueryFont(display, "10x20");
    ASSERT_NE(font, nullptr) << "the 10x20 font is missing (package xfonts-base)";
    XSetFont(display, gc, font->fid);
    // Start from white so that anything left unpainted shows.
    XSetForeground(display, gc, 0xFFFFFF);
    XFillRectangle(display, pixmap, gc, 0, 0, 640, 480);

    Draw_Root_Window(gc, display, pixmap);
    const Screen_Image image = Read_Drawable(pixmap, 640, 480);
    EXPECT_EQ(Compare_With_Root_Rules(image, font), "");

    XFreeFont(display, font);
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
}

TEST(Logo, UsesAllItsColoursInTheBannerLayout) {
    // Black surround, grey letters above coloured bars.
    int counts[16] = {};
    for (std::uint8_t byte : zembrix_bitmap) {
        ++counts[byte >> 4];
        ++counts[byte & 0x0F];
    }
    EXPECT_GT(counts[0], 640 * 180 / 2);
    for (int grey : {9, 10, 11, 14}) {
        EXPECT_GT(counts[grey], 500) << grey;
    }
    for (int bar : {2, 5, 15}) {
        EXPECT_GT(counts[bar], 500) << bar;
    }
}
