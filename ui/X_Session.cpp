#include "ui/X_Session.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr long input_mask =
    ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask;
static_assert(input_mask == 0x810D);
} // namespace

namespace {

// A failed request (a font or cursor the server lacks, say) is reported and
// the program goes on.
int Report_X_Error(Display* display, XErrorEvent* error) {
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error: %s (request %d.%d)\n", text, error->request_code,
                 error->minor_code);
    return 0;
}

// Xlib cannot go on without its connection; say so in one line instead of
// its own text.
int Report_Lost_Connection(Display*) {
    std::fputs("Lost the connection to the X server\n", stderr);
    std::_Exit(1);
}

// Desktops match the windows to the menu entry by this class (the entry's
// StartupWMClass).
void Set_Window_Class(Display* display, Window window) {
    char name[] = "zembrix";
    char class_name[] = "Zembrix";
    XClassHint hint{name, class_name};
    XSetClassHint(display, window, &hint);
}

} // namespace

Display_Handle Open_Display() {
    XSetErrorHandler(Report_X_Error);
    XSetIOErrorHandler(Report_Lost_Connection);
    Display_Handle display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("Cannot open display\n", stderr);
    }
    return display;
}

XPoint Window_Position(int screen_width, int screen_height, int width, int top_above_middle) {
    const int x = screen_width / 2 - width / 2;
    const int y = screen_height / 2 - top_above_middle;
    return XPoint{static_cast<short>(x < 0 ? 0 : x), static_cast<short>(y < 0 ? 0 : y)};
}

Fixed_Window Create_Fixed_Window(Display* display, const Window_Layout& layout) {
    const int screen = DefaultScreen(display);
    Fixed_Window result{};
    XSetWindowAttributes attributes{};
    attributes.background_pixel = XWhitePixel(display, screen);
    result.window =
        XCreateWindow(display, RootWindow(display, screen), 0, 0,
                      static_cast<unsigned>(layout.width), static_cast<unsigned>(layout.height), 5,
                      24, InputOutput, DefaultVisual(display, screen), CWBackPixel, &attributes);

    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = layout.width;
    hints.min_height = hints.max_height = layout.height;
    XSetWMNormalHints(display, result.window, &hints);

    XSelectInput(display, result.window, input_mask);
    result.wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, result.window, &result.wm_delete, 1);
    XStoreName(display, result.window, layout.title);
    Set_Window_Class(display, result.window);

    XMapWindow(display, result.window);
    const XPoint at =
        Window_Position(XDisplayWidth(display, screen), XDisplayHeight(display, screen),
                        layout.width, layout.top_above_middle);
    XMoveWindow(display, result.window, at.x, at.y);
    return result;
}

Pointer_Position Query_Pointer(Display* display, Window window) {
    Window root = 0;
    Window child = 0;
    int root_x = 0;
    int root_y = 0;
    Pointer_Position at{-1, -1};
    unsigned mask = 0;
    XQueryPointer(display, window, &root, &child, &root_x, &root_y, &at.x, &at.y, &mask);
    return at;
}

bool Is_Escape(XKeyEvent& event) {
    return XLookupKeysym(&event, 0) == XK_Escape;
}

bool Is_Close_Request(const XEvent& event, const Fixed_Window& window) {
    return event.type == ClientMessage &&
           static_cast<Atom>(event.xclient.data.l[0]) == window.wm_delete;
}

Loaded_Font::Loaded_Font(Display* display_, const char* name)
    : display(display_), font(XLoadQueryFont(display_, name)) {}

Loaded_Font::~Loaded_Font() {
    if (font) {
        XFreeFont(display, font);
    }
}

Graphics_Context::Graphics_Context(Display* display_, Drawable drawable)
    : display(display_), gc(XCreateGC(display_, drawable, 0, nullptr)) {}

Graphics_Context::~Graphics_Context() {
    XFreeGC(display, gc);
}
