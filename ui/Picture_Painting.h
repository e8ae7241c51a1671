#pragma once
// Painting a picture enlarged: every pixel a square of its palette colour at
// the hardware's 5-bit precision.

#include "app/MQ4_Document.h"

#include <X11/Xlib.h>
#include <array>
#include <vector>

// The display colour as the screen shows it: each channel's low three bits
// cleared.
constexpr unsigned long Shown_Color(std::int32_t color) {
    return static_cast<unsigned long>(color) & 0xF8F8F8ul;
}

// The picture's squares grouped by palette index, horizontal runs of equal
// pixels merged into one rectangle. The squares never overlap, so painting the
// groups one after another gives the same pixels as painting square by square.
std::array<std::vector<XRectangle>, palette_size> Picture_Rectangles(const MQ4_Document& picture,
                                                                     int left, int top, int scale);

// Merges each rectangle into the one right above it when both have the same
// columns: the same pixels in fewer rectangles. The rectangles must be given
// top to bottom and must not overlap.
std::vector<XRectangle> Stack_Rows(const std::vector<XRectangle>& rows);

// Paints the picture with one foreground change and one request per colour.
void Paint_Picture(const MQ4_Document& picture, Display* display, Drawable drawable, GC gc,
                   int left, int top, int scale);
