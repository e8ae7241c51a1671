#include "app/MQ4_Document.h"
#include "ui/Data.h"
#include "ui/Editor_State.h"
#include "ui/Windows.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int cell_size = 7;
constexpr unsigned long shown_bits = 0xF8F8F8; // the 5-bit hardware precision
constexpr unsigned long white = 0xFFFFFF;
constexpr unsigned long black = 0x000000;
constexpr unsigned long red = 0xFF0000;
constexpr unsigned long grey = 0x808080;

constexpr int palette_left = 919;
constexpr int swatch_width = 60;
constexpr int swatch_height = 20;
constexpr int swatch_pitch = 25;
constexpr int swatch_top = 10;

constexpr int icon_left = 923;
constexpr int eyedrop_top = 440;
constexpr int pencil_top = 525;
// The seventh byte of each icon row (columns 48 and 49) is never shown.
constexpr int icon_drawn_columns = 48;

struct Button {
    int top;
    int text_left;
    const char* label;
};
constexpr Button save_button{604, 937, "SAVE"};
constexpr Button exit_button{635, 936, "EXIT"};

unsigned long Shown_Color(std::int32_t color) {
    return static_cast<unsigned long>(color) & shown_bits;
}

// Cells never overlap, so painting them grouped by palette index gives the
// same pixels as painting them in order, with one request per colour.
void Draw_Picture(const MQ4_Document& document, Display* display, Drawable drawable, GC gc) {
    std::array<int, palette_size + 1> start{};
    for (const std::uint8_t index : document.pixels) {
        ++start[(index & 0x0F) + 1];
    }
    for (int i = 0; i < palette_size; ++i) {
        start[i + 1] += start[i];
    }
    std::array<int, palette_size> next{};
    std::copy(start.begin(), start.end() - 1, next.begin());

    std::vector<XRectangle> cells(picture_pixels);
    for (int row = 0; row < picture_height; ++row) {
        for (int column = 0; column < picture_width; ++column) {
            // Indices above 15 break the record's rule; they are painted as
            // their low four bits rather than read past the palette.
            const int index = document.pixels[row * picture_width + column] & 0x0F;
            cells[next[index]++] =
                XRectangle{static_cast<short>(column * cell_size),
                           static_cast<short>(row * cell_size), cell_size, cell_size};
        }
    }
    for (int index = 0; index < palette_size; ++index) {
        const int count = start[index + 1] - start[index];
        if (count > 0) {
            XSetForeground(display, gc, Shown_Color(document.palette_rgb[index]));
            XFillRectangles(display, drawable, gc, cells.data() + start[index], count);
        }
    }
}

void Draw_Swatches(const MQ4_Document& document, Display* display, Drawable drawable, GC gc) {
    for (int i = 0; i < palette_size; ++i) {
        XSetForeground(display, gc, Shown_Color(document.palette_rgb[i]));
        XFillRectangle(display, drawable, gc, palette_left, swatch_top + swatch_pitch * i,
                       swatch_width, swatch_height);
    }
}

void Draw_Button(const Button& button, Display* display, Drawable drawable, GC gc) {
    XSetForeground(display, gc, red);
    XDrawRectangle(display, drawable, gc, palette_left - 1, button.top, swatch_width + 1,
                   swatch_height + 1);
    XSetForeground(display, gc, grey);
    XFillRectangle(display, drawable, gc, palette_left, button.top + 1, swatch_width,
                   swatch_height);
    XSetForeground(display, gc, white);
    XDrawString(display, drawable, gc, button.text_left, button.top + 16, button.label, 4);
}

void Draw_Icon(const Icon_Bitmap& icon, int top, Display* display, Drawable drawable, GC gc) {
    std::vector<XPoint> ink;
    for (int row = 0; row < icon_size; ++row) {
        for (int column = 0; column < icon_drawn_columns; ++column) {
            const std::uint8_t byte = icon[row * icon_row_bytes + column / 8];
            if ((byte & (0x80 >> (column % 8))) == 0) {
                ink.push_back(
                    XPoint{static_cast<short>(icon_left + column), static_cast<short>(top + row)});
            }
        }
    }
    XSetForeground(display, gc, black);
    XDrawPoints(display, drawable, gc, ink.data(), static_cast<int>(ink.size()), CoordModeOrigin);
}

void Draw_Color_Frame(std::int32_t index, unsigned long color, Display* display, Drawable drawable,
                      GC gc) {
    if (index < 0 || index >= palette_size) {
        return;
    }
    XSetForeground(display, gc, color);
    XDrawRectangle(display, drawable, gc, palette_left - 3, 7 + swatch_pitch * index, 65, 25);
}

void Draw_Tool_Frame(std::int32_t tool, unsigned long color, Display* display, Drawable drawable,
                     GC gc) {
    if (tool != tool_eyedropper && tool != tool_pencil) {
        return;
    }
    const int top = (tool == tool_eyedropper ? eyedrop_top : pencil_top) - 2;
    XSetForeground(display, gc, color);
    XDrawRectangle(display, drawable, gc, palette_left - 3, top, 65, 54);
}

} // namespace

void Draw_Editor_Window(const MQ4_Document* document, const Editor_State* state, Display* display,
                        Drawable drawable, GC gc) {
    Draw_Picture(*document, display, drawable, gc);
    Draw_Swatches(*document, display, drawable, gc);
    Draw_Button(save_button, display, drawable, gc);
    Draw_Button(exit_button, display, drawable, gc);
    Draw_Icon(eyedrop, eyedrop_top, display, drawable, gc);
    Draw_Icon(pencil, pencil_top, display, drawable, gc);
    // White first: neighbouring colour frames share a row, and the current
    // colour's black frame must end on top.
    Draw_Color_Frame(state->previous_color, white, display, drawable, gc);
    Draw_Color_Frame(state->current_color, black, display, drawable, gc);
    Draw_Tool_Frame(state->previous_tool, white, display, drawable, gc);
    Draw_Tool_Frame(state->current_tool, black, display, drawable, gc);
}
