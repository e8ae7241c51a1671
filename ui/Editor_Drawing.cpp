#include "ui/Editor_Drawing.h"

#include "core/MQ4_Document.h"
#include "ui/Data.h"
#include "ui/Editor_Layout.h"
#include "ui/Editor_State.h"
#include "ui/Picture_Painting.h"
#include "ui/Windows.h"

#include <algorithm>
#include <vector>

namespace {

constexpr unsigned long white = 0xFFFFFF;
constexpr unsigned long black = 0x000000;
constexpr unsigned long red = 0xFF0000;
constexpr unsigned long grey = 0x808080;

constexpr int icon_left = 923;
// The seventh byte of each icon row (columns 48 and 49) is never shown.
constexpr int icon_drawn_columns = 48;

struct Button {
    int top;
    int text_left;
    const char* label;
};
constexpr Button save_button{save_frame_top, 937, "SAVE"};
constexpr Button exit_button{exit_frame_top, 936, "EXIT"};

// The swatches lie apart from the picture and from each other: each goes
// into the picture's request of its colour, or after them when the picture
// lacks that colour.
void Draw_Picture_And_Swatches(const MQ4_Document& document, Display* display, Drawable drawable,
                               GC gc, const Pixel_Format& format) {
    std::vector<Color_Layer> layers = Layered_Rectangles({{&document, 0, 0}}, editor_cell_size);
    for (int i = 0; i < palette_size; ++i) {
        const unsigned long color = Shown_Color(Color_Word(document.palette[i]));
        const XRectangle swatch{static_cast<short>(palette_left),
                                static_cast<short>(swatch_top + swatch_pitch * i), swatch_width,
                                swatch_height};
        const auto layer = std::find_if(layers.begin(), layers.end(),
                                        [&](const Color_Layer& l) { return l.color == color; });
        if (layer == layers.end()) {
            layers.push_back(Color_Layer{color, {swatch}});
        } else {
            layer->rectangles.push_back(swatch);
        }
    }
    Paint_Layers(layers, display, drawable, gc, format);
}

void Draw_Button(const Button& button, Display* display, Drawable drawable, GC gc,
                 const Pixel_Format& format) {
    Set_Foreground(display, gc, format, red);
    XDrawRectangle(display, drawable, gc, palette_left - 1, button.top, swatch_width + 1,
                   swatch_height + 1);
    Set_Foreground(display, gc, format, grey);
    XFillRectangle(display, drawable, gc, palette_left, button.top + 1, swatch_width,
                   swatch_height);
    Set_Foreground(display, gc, format, white);
    XDrawString(display, drawable, gc, button.text_left, button.top + 16, button.label, 4);
}

void Draw_Icon(const Icon_Bitmap& icon, int top, Display* display, Drawable drawable, GC gc,
               const Pixel_Format& format) {
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
    Set_Foreground(display, gc, format, black);
    XDrawPoints(display, drawable, gc, ink.data(), static_cast<int>(ink.size()), CoordModeOrigin);
}

void Draw_Color_Frame(std::int32_t index, unsigned long color, Display* display, Drawable drawable,
                      GC gc, const Pixel_Format& format) {
    if (index < 0 || index >= palette_size) {
        return;
    }
    Set_Foreground(display, gc, format, color);
    XDrawRectangle(display, drawable, gc, palette_left - 3, 7 + swatch_pitch * index, 65, 25);
}

void Draw_Tool_Frame(std::int32_t tool, unsigned long color, Display* display, Drawable drawable,
                     GC gc, const Pixel_Format& format) {
    if (tool != tool_eyedropper && tool != tool_pencil) {
        return;
    }
    const int top = (tool == tool_eyedropper ? eyedropper_top : pencil_top) - 2;
    Set_Foreground(display, gc, format, color);
    XDrawRectangle(display, drawable, gc, palette_left - 3, top, 65, 54);
}

} // namespace

void Draw_Editor_Window(const MQ4_Document* document, const Editor_State* state, Display* display,
                        Drawable drawable, GC gc, const Pixel_Format& format) {
    Draw_Picture_And_Swatches(*document, display, drawable, gc, format);
    Draw_Button(save_button, display, drawable, gc, format);
    Draw_Button(exit_button, display, drawable, gc, format);
    Draw_Icon(eyedrop, eyedropper_top, display, drawable, gc, format);
    Draw_Icon(pencil, pencil_top, display, drawable, gc, format);
    // White first: neighbouring colour frames share a row, and the current
    // colour's black frame must end on top.
    Draw_Color_Frame(state->previous_color, white, display, drawable, gc, format);
    Draw_Color_Frame(state->current_color, black, display, drawable, gc, format);
    Draw_Tool_Frame(state->previous_tool, white, display, drawable, gc, format);
    Draw_Tool_Frame(state->current_tool, black, display, drawable, gc, format);
}

void Draw_Editor_Cell(const MQ4_Document* document, int cell, Display* display, Drawable drawable,
                      GC gc, const Pixel_Format& format) {
    if (cell < 0 || cell >= picture_pixels) {
        return;
    }
    const int index = document->pixels[static_cast<std::size_t>(cell)] & 0x0F;
    Set_Foreground(display, gc, format,
                   Shown_Color(Color_Word(document->palette[static_cast<std::size_t>(index)])));
    XFillRectangle(display, drawable, gc, (cell % picture_width) * editor_cell_size,
                   (cell / picture_width) * editor_cell_size, editor_cell_size, editor_cell_size);
}

// The window already shows the frames of the selection before the change,
// whose current colour is now the previous one: erasing that and marking the
// new one, in the full repaint's order, leaves what a full repaint shows.
void Draw_Color_Selection(const Editor_State* state, Display* display, Drawable drawable, GC gc,
                          const Pixel_Format& format) {
    // The same colour chosen again: the window shows it already.
    if (state->previous_color == state->current_color) {
        return;
    }
    Draw_Color_Frame(state->previous_color, white, display, drawable, gc, format);
    Draw_Color_Frame(state->current_color, black, display, drawable, gc, format);
}

void Draw_Tool_Selection(const Editor_State* state, Display* display, Drawable drawable, GC gc,
                         const Pixel_Format& format) {
    if (state->previous_tool == state->current_tool) {
        return;
    }
    Draw_Tool_Frame(state->previous_tool, white, display, drawable, gc, format);
    Draw_Tool_Frame(state->current_tool, black, display, drawable, gc, format);
}

void Draw_Editor_Changes(const Editor_Response& response, const MQ4_Document* document,
                         const Editor_State* state, Display* display, Drawable drawable, GC gc,
                         const Pixel_Format& format) {
    if (response.whole) {
        Draw_Editor_Window(document, state, display, drawable, gc, format);
        return;
    }
    Draw_Editor_Cell(document, response.cell, display, drawable, gc, format);
    if (response.color_frames) {
        Draw_Color_Selection(state, display, drawable, gc, format);
    }
    if (response.tool_frames) {
        Draw_Tool_Selection(state, display, drawable, gc, format);
    }
}
