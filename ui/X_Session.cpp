#include "ui/X_Session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <climits>
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

// Higher is better; 0 cannot be drawn on.
int Visual_Rank(const Visual_Offer& offer) {
    if (offer.visual_class != TrueColor) {
        return 0;
    }
    if (offer.depth == 24) {
        return offer.is_default ? 400 : 300;
    }
    if (offer.depth == 32) {
        return 1; // made for translucent windows: the alpha bits must be filled
    }
    return (offer.is_default ? 200 : 100) + offer.depth;
}

struct Visual_Infos_Free {
    void operator()(XVisualInfo* infos) const { XFree(infos); }
};

Pixel_Format Format_Of(const XVisualInfo& info) {
    Pixel_Format format{info.red_mask, info.green_mask, info.blue_mask, 0};
    const unsigned long all_bits = info.depth >= static_cast<int>(sizeof(unsigned long) * CHAR_BIT)
                                       ? ~0ul
                                       : (1ul << info.depth) - 1;
    format.opaque_bits = all_bits & ~(info.red_mask | info.green_mask | info.blue_mask);
    return format;
}

// Bytes 80..BF continue a sequence; the first byte decides how many follow
// and the range of the second (no overlong forms, no surrogates, nothing
// past U+10FFFF).
std::size_t Sequence_Length(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t k) {
        return at + k < bytes.size() ? static_cast<unsigned char>(bytes[at + k]) : 0u;
    };
    const unsigned first = byte(0);
    if (first < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(k) < 0x80 || byte(k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// WM_NAME and WM_ICON_NAME in the encoding older window managers read (STRING
// where Latin-1 holds the title, so an ASCII title is stored as it always
// was; COMPOUND_TEXT otherwise), and both names as UTF-8 for newer ones.
void Set_Window_Title(Display* display, Window window, std::string_view title) {
    std::string text = Title_Text(title);
    char* list[] = {text.data()};
    XTextProperty property{};
    if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &property) >= Success) {
        XSetWMName(display, window, &property);
        XSetWMIconName(display, window, &property);
        XFree(property.value);
    }
    // One round trip for the three names.
    char* names[] = {const_cast<char*>("UTF8_STRING"), const_cast<char*>("_NET_WM_NAME"),
                     const_cast<char*>("_NET_WM_ICON_NAME")};
    Atom atoms[3] = {};
    XInternAtoms(display, names, 3, False, atoms);
    for (const Atom name : {atoms[1], atoms[2]}) {
        XChangeProperty(display, window, name, atoms[0], 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
    }
}

} // namespace

std::optional<std::size_t> Choose_Visual(const std::vector<Visual_Offer>& offers) {
    std::optional<std::size_t> chosen;
    int chosen_rank = 0;
    for (std::size_t i = 0; i < offers.size(); ++i) {
        const int rank = Visual_Rank(offers[i]);
        if (rank > chosen_rank) {
            chosen = i;
            chosen_rank = rank;
        }
    }
    return chosen;
}

std::optional<Window_Visual> Find_Window_Visual(Display* display, int screen) {
    XVisualInfo wanted{};
    wanted.screen = screen;
    int count = 0;
    const std::unique_ptr<XVisualInfo, Visual_Infos_Free> infos(
        XGetVisualInfo(display, VisualScreenMask, &wanted, &count));
    const VisualID default_id = XVisualIDFromVisual(DefaultVisual(display, screen));
    std::vector<Visual_Offer> offers;
    for (int i = 0; i < count; ++i) {
        const XVisualInfo& info = infos.get()[i];
        offers.push_back({info.c_class, info.depth, info.visualid == default_id});
    }
    const std::optional<std::size_t> chosen = Choose_Visual(offers);
    if (!chosen) {
        return std::nullopt;
    }
    const XVisualInfo& info = infos.get()[*chosen];
    // The Visual belongs to the display and outlives the list.
    return Window_Visual{info.visual, info.depth, info.visualid == default_id, Format_Of(info)};
}

std::string Title_Text(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Sequence_Length(bytes, at);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++at;
        } else {
            text.append(bytes.substr(at, length));
            at += length;
        }
    }
    return text;
}

Display_Handle Open_Display() {
    XSetErrorHandler(Report_X_Error);
    XSetIOErrorHandler(Report_Lost_Connection);
    Display_Handle display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("Cannot open display\n", stderr);
    } else if (!Find_Window_Visual(display.get(), DefaultScreen(display.get()))) {
        std::fputs("The X display has no TrueColor visual to draw the windows on\n", stderr);
        display.reset();
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
    const Window root = RootWindow(display, screen);
    // Open_Display refuses a display without a TrueColor visual; on one
    // opened otherwise the default visual is tried as it is.
    const Window_Visual visual =
        Find_Window_Visual(display, screen)
            .value_or(Window_Visual{DefaultVisual(display, screen), DefaultDepth(display, screen),
                                    true, rgb_24});
    Fixed_Window result{};
    result.format = visual.format;
    XSetWindowAttributes attributes{};
    unsigned long value_mask = CWBackPixel;
    if (visual.is_default) {
        attributes.background_pixel = XWhitePixel(display, screen);
    } else {
        // A visual other than the root's needs a colormap and a border pixel
        // of its own; the colormap goes with the connection.
        attributes.colormap = XCreateColormap(display, root, visual.visual, AllocNone);
        attributes.border_pixel = Pixel_Value(visual.format, 0x000000);
        attributes.background_pixel = Pixel_Value(visual.format, 0xFFFFFF);
        value_mask |= CWColormap | CWBorderPixel;
    }
    result.window = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(layout.width),
                                  static_cast<unsigned>(layout.height), 5, visual.depth,
                                  InputOutput, visual.visual, value_mask, &attributes);

    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = layout.width;
    hints.min_height = hints.max_height = layout.height;
    XSetWMNormalHints(display, result.window, &hints);

    XSelectInput(display, result.window, input_mask);
    result.wm_delete = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, result.window, &result.wm_delete, 1);
    Set_Window_Title(display, result.window, layout.title);
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
    Pointer_Position at{-1, -1, true};
    unsigned mask = 0;
    if (!XQueryPointer(display, window, &root, &child, &root_x, &root_y, &at.x, &at.y, &mask)) {
        // Xlib gives 0, 0 then: the window's corner, where nothing was pressed.
        return Pointer_Position{-1, -1, false};
    }
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
