#pragma once
// Colours as pixel values of the window's visual. The drawing is written in
// 0x00RRGGBB colours, the pixel values of the usual 24-bit TrueColor visual;
// on any other TrueColor visual each channel is moved into the bits the
// visual gives it.

#include <X11/Xlib.h>

struct Pixel_Format {
    unsigned long red_mask = 0xFF0000;
    unsigned long green_mask = 0x00FF00;
    unsigned long blue_mask = 0x0000FF;
    // Bits of the pixel that are no channel's, such as the alpha of a 32-bit
    // visual: set in every pixel, so that it is opaque.
    unsigned long opaque_bits = 0;
};

// The 24-bit layout in which a colour is its own pixel value.
inline constexpr Pixel_Format rgb_24{};

// The pixel value of a 0x00RRGGBB colour: each 8-bit channel cut to the bits
// of its mask (its high bits kept), or widened by repeating them.
unsigned long Pixel_Value(const Pixel_Format& format, unsigned long color);

// XSetForeground with a 0x00RRGGBB colour.
void Set_Foreground(Display* display, GC gc, const Pixel_Format& format, unsigned long color);
