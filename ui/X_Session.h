#pragma once
// What every window of the program shares: its own display connection, a
// fixed-size window placed on the screen, the pointer, Escape and the
// window manager's close button.

#include "ui/Pixel_Format.h"

#include <X11/Xlib.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Display_Closer {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
// Closing the connection frees the window, its colormap, graphics contexts
// and cursors.
using Display_Handle = std::unique_ptr<Display, Display_Closer>;

// Opens the default display; prints "Cannot open display\n" when it cannot,
// and one line when its screen has no visual the windows can be drawn on.
Display_Handle Open_Display();

// What the choice of a visual looks at.
struct Visual_Offer {
    int visual_class; // TrueColor, PseudoColor, ...
    int depth;
    bool is_default;
};

// The visual to draw on, as an index into the offers: the default visual
// when it is 24-bit TrueColor, else another 24-bit TrueColor one, else a
// TrueColor visual of another depth (the default one first, then the
// deepest, 32-bit visuals with alpha last). Empty without any TrueColor.
std::optional<std::size_t> Choose_Visual(const std::vector<Visual_Offer>& offers);

struct Window_Visual {
    Visual* visual;
    int depth;
    bool is_default; // else the window needs a colormap of its own
    Pixel_Format format;
};

// The visual that Choose_Visual takes among the screen's.
std::optional<Window_Visual> Find_Window_Visual(Display* display, int screen);

struct Window_Layout {
    int width;
    int height;
    // The window's top edge lies this far above the screen's middle.
    int top_above_middle;
    const char* title;
};

struct Fixed_Window {
    Window window;
    Atom wm_delete;      // the close button's message
    Pixel_Format format; // how colours become its pixel values
};

// Creates, fixes the size of, maps and places a white window (border 5,
// input mask 0x810D) on the visual of Find_Window_Visual, centred
// horizontally; a coordinate that would fall off the top or left of the
// screen becomes 0. The title is set for both old and new window managers.
Fixed_Window Create_Fixed_Window(Display* display, const Window_Layout& layout);

// A title as valid UTF-8, the encoding of _NET_WM_NAME: a byte that begins
// no well-formed sequence becomes U+FFFD.
std::string Title_Text(std::string_view bytes);

// Where a window goes on a screen of the given size: both coordinates clamped
// to 0.
XPoint Window_Position(int screen_width, int screen_height, int width, int top_above_middle);

struct Pointer_Position {
    int x;
    int y;
    // False when the pointer is on another screen of the display: then there
    // is no position in the window, and x and y are -1, outside every area.
    bool on_screen;
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
