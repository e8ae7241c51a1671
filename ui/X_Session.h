#pragma once
// What every window of the program shares: its own display connection, a
// fixed-size window placed on the screen, the pointer, Escape and the
// window manager's close button.

#include <X11/Xlib.h>
#include <memory>

struct Display_Closer {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
// Closing the connection frees the window, graphics contexts and cursors.
using Display_Handle = std::unique_ptr<Display, Display_Closer>;

// Opens the default display; prints "Cannot open display\n" when it cannot.
Display_Handle Open_Display();

struct Window_Layout {
    int width;
    int height;
    // The window's top edge lies this far above the screen's middle.
    int top_above_middle;
    const char* title;
};

struct Fixed_Window {
    Window window;
    Atom wm_delete; // the close button's message
};

// Creates, fixes the size of, maps and places a white window of depth 24
// (border 5, input mask 0x810D), centred horizontally; a coordinate that would
// fall off the top or left of the screen becomes 0.
Fixed_Window Create_Fixed_Window(Display* display, const Window_Layout& layout);

// Where a window goes on a screen of the given size: both coordinates clamped
// to 0.
XPoint Window_Position(int screen_width, int screen_height, int width, int top_above_middle);

struct Pointer_Position {
    int x;
    int y;
};
// The pointer relative to the window at the time of the call.
Pointer_Position Query_Pointer(Display* display, Window window);

bool Is_Escape(XKeyEvent& event);
bool Is_Close_Request(const XEvent& event, const Fixed_Window& window);

// A core font that is freed with its display; falls back to the server's
// default font when the named one is missing.
struct Loaded_Font {
    Loaded_Font(Display* display, const char* name);
    ~Loaded_Font();
    Loaded_Font(const Loaded_Font&) = delete;
    Loaded_Font& operator=(const Loaded_Font&) = delete;

    Display* display;
    XFontStruct* font; // null when the default font is used
};

// A graphics context with default values, freed before its display closes
// (closing alone leaves Xlib's own record of it behind).
struct Graphics_Context {
    Graphics_Context(Display* display, Drawable drawable);
    ~Graphics_Context();
    Graphics_Context(const Graphics_Context&) = delete;
    Graphics_Context& operator=(const Graphics_Context&) = delete;

    Display* display;
    GC gc;
};
