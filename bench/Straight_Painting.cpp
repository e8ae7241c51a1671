#include "bench/Straight_Painting.h"

#include "core/MQ4_Document.h"
#include "ui/Data.h"

#include <cstring>
#include <tuple>

namespace {

unsigned long Shown(std::int32_t color) {
    return static_cast<unsigned long>(color) & 0xF8F8F8ul;
}

void Text(Display* display, Drawable window, GC gc, int x, int y, const char* text) {
    XDrawString(display, window, gc, x, y, text, static_cast<int>(std::strlen(text)));
}

void Straight_Picture(const MQ4_Document& picture, Display* display, Drawable window, GC gc,
                      int left, int top, int scale) {
    for (int y = 0; y < picture_height; ++y) {
        for (int x = 0; x < picture_width; ++x) {
            const int index = picture.pixels[static_cast<std::size_t>(y * picture_width + x)];
            XSetForeground(display, gc,
                           Shown(Color_Word(picture.palette[static_cast<std::size_t>(index)])));
            XFillRectangle(display, window, gc, left + scale * x, top + scale * y, scale, scale);
        }
    }
}

void Straight_Icon(const Icon_Bitmap& icon, int top, Display* display, Drawable window, GC gc) {
    XSetForeground(display, gc, 0);
    for (int row = 0; row < icon_size; ++row) {
        for (int column = 0; column < 48; ++column) {
            if ((icon[row * icon_row_bytes + column / 8] & (0x80 >> (column % 8))) == 0) {
                XDrawPoint(display, window, gc, 923 + column, top + row);
            }
        }
    }
}

void Frame(Display* display, Drawable window, GC gc, unsigned long color, int top, int height) {
    XSetForeground(display, gc, color);
    XDrawRectangle(display, window, gc, 916, top, 65, height);
}

} // namespace

void Straight_Root_Window(GC gc, Display* display, Drawable window) {
    XSetForeground(display, gc, 0);
    XFillRectangle(display, window, gc, 0, 0, 640, 480);
    int x = 0;
    int y = 30;
    for (std::size_t n = 0; n < zembrix_bitmap.size(); ++n) {
        for (const int index : {zembrix_bitmap[n] >> 4, zembrix_bitmap[n] & 0x0F}) {
            const std::uint8_t* entry = &zembrix_palette[static_cast<std::size_t>(4 * index)];
            XSetForeground(display, gc, entry[0] + 256ul * entry[1] + 65536ul * entry[2]);
            XDrawPoint(display, window, gc, x++, y);
        }
        if (x == logo_width) {
            x = 0;
            ++y;
        }
    }
    for (const int top : {225, 305, 385}) {
        XSetForeground(display, gc, 0x808080);
        XFillRectangle(display, window, gc, 55, top, 530, 60);
        XSetForeground(display, gc, 0x404040);
        XDrawRectangle(display, window, gc, 62, top + 7, 515, 45);
        XDrawRectangle(display, window, gc, 63, top + 8, 513, 43);
    }
    XSetForeground(display, gc, 0xFFFFFF);
    Text(display, window, gc, 143, 261, "Import a .png file (must be 128x96)");
    Text(display, window, gc, 190, 341, "Open an existing MQ4 file");
    Text(display, window, gc, 235, 421, "Exit the program");
}

void Straight_Choices(const Choice_List& choices, GC gc, Display* display, Drawable window) {
    constexpr int lefts[4] = {0, 512, 0, 512};
    constexpr int tops[4] = {0, 0, 410, 410};
    for (int slot = 0; slot < 4; ++slot) {
        Straight_Picture(*choices[static_cast<std::size_t>(slot)], display, window, gc, lefts[slot],
                         tops[slot], 4);
    }
    XSetForeground(display, gc, 0);
    XDrawLine(display, window, gc, 0, 818, 1023, 818);
    Text(display, window, gc, 425, 839, "- click on the image to import -");
    Text(display, window, gc, 190, 401, "Floyd Steinberg dither");
    Text(display, window, gc, 715, 401, "Diffusion dither");
    Text(display, window, gc, 160, 810, "Octree quantization, no dither");
    Text(display, window, gc, 690, 810, "Closest color, no dither");
}

void Straight_Editor_Window(const MQ4_Document& document, const Editor_State& state,
                            Display* display, Drawable window, GC gc) {
    Straight_Picture(document, display, window, gc, 0, 0, 7);
    for (int i = 0; i < palette_size; ++i) {
        XSetForeground(display, gc,
                       Shown(Color_Word(document.palette[static_cast<std::size_t>(i)])));
        XFillRectangle(display, window, gc, 919, 10 + 25 * i, 60, 20);
    }
    for (const auto& [top, text_x, label] :
         {std::tuple{604, 937, "SAVE"}, std::tuple{635, 936, "EXIT"}}) {
        XSetForeground(display, gc, 0xFF0000);
        XDrawRectangle(display, window, gc, 918, top, 61, 21);
        XSetForeground(display, gc, 0x808080);
        XFillRectangle(display, window, gc, 919, top + 1, 60, 20);
        XSetForeground(display, gc, 0xFFFFFF);
        Text(display, window, gc, text_x, top + 16, label);
    }
    Straight_Icon(eyedrop, 440, display, window, gc);
    Straight_Icon(pencil, 525, display, window, gc);
    Frame(display, window, gc, 0xFFFFFF, 7 + 25 * state.previous_color, 25);
    Frame(display, window, gc, 0x000000, 7 + 25 * state.current_color, 25);
    Frame(display, window, gc, 0xFFFFFF, state.previous_tool == tool_pencil ? 523 : 438, 54);
    Frame(display, window, gc, 0x000000, state.current_tool == tool_pencil ? 523 : 438, 54);
}
