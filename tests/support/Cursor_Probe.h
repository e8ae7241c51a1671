#pragma once
// Which cursor a window shows: the image at the pointer, read with XFixes,
// compared with images of cursor-font shapes taken from a probe window.

#include <X11/Xlib.h>
#include <vector>

struct Cursor_Picture {
    int width = 0;
    int height = 0;
    int x_hot = 0;
    int y_hot = 0;
    std::vector<unsigned long> argb;
    bool operator==(const Cursor_Picture&) const = default;
};

// The cursor shown at the pointer now.
Cursor_Picture Current_Cursor(Display* display);

// The image that the cursor-font shape gets on this display, from a small
// window of its own placed at (x, y) on the screen; the pointer is left there.
Cursor_Picture Font_Cursor_Picture(Display* display, unsigned shape, int x, int y);
