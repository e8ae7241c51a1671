#pragma once
// Painting a picture enlarged: every pixel a square of its palette colour at
// the hardware's 5-bit precision.

#include "core/MQ4_Document.h"
#include "ui/Pixel_Format.h"

#include <X11/Xlib.h>
#include <array>
#include <vector>

// The display colour as the screen shows it: each channel's low three bits
// cleared.
constexpr unsigned long Shown_Color(std::int32_t color) {
    return static_cast<unsigned long>(color) & 0xF8F8F8ul;
}

// Merges each rectangle into the one right above it when both have the same
// columns: the same pixels in fewer rectangles. The rectangles must be given
// top to bottom and must not overlap.
std::vector<XRectangle> Stack_Rows(const std::vector<XRectangle>& rows);

// A picture and where its top left corner goes.
struct Placed_Picture {
    const MQ4_Document* picture;
    int left;
    int top;
};

// The rectangles of one shown colour, painted in one request.
struct Color_Layer {
    unsigned long color;
    std::vector<XRectangle> rectangles;
};

// Layers that give the pictures' pixels when painted in order, for pictures
// that do not overlap. Colours come most used first; a run of one colour
// reaches over the cells of colours painted after it, which cover it again,
// so that a dithered picture needs far fewer rectangles than it has runs.
std::vector<Color_Layer> Layered_Rectangles(const std::vector<Placed_Picture>& pictures, int scale);

// Paints the layers in order, each with one foreground change and one
// request.
void Paint_Layers(const std::vector<Color_Layer>& layers, Display* display, Drawable drawable,
                  GC gc, const Pixel_Format& format = rgb_24);

// Paints the pictures with one foreground change and one request per shown
// colour.
void Paint_Pictures(const std::vector<Placed_Picture>& pictures, int scale, Display* display,
                    Drawable drawable, GC gc, const Pixel_Format& format = rgb_24);
