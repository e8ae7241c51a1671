#include "ui/Data.h"
#include "ui/Picture_Painting.h"
#include "ui/Windows.h"
#include "ui/X_Session.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr int root_width = 640;
constexpr int root_height = 480;
constexpr int logo_top = 30;

struct Menu_Entry {
    int top;
    std::string_view text;
    int text_x;
    int text_y;
};

constexpr Menu_Entry menu_entries[] = {
    {225, "Import a .png file (must be 128x96)", 143, 261},
    {305, "Open an existing MQ4 file", 190, 341},
    {385, "Exit the program", 235, 421},
};

struct Hit_Area {
    int code;
    int left, top, right, bottom;
};

// Entry 3's area lies 7 pixels higher than its frame would say.
constexpr Hit_Area root_hit_areas[] = {
    {root_import_png, 63, 233, 576, 276},
    {root_open_mq4, 63, 313, 576, 356},
    {root_exit, 63, 386, 576, 429},
};

unsigned long Logo_Color(int index) {
    const auto* entry = &zembrix_palette[static_cast<std::size_t>(4 * index)];
    return entry[0] + 256ul * entry[1] + 65536ul * entry[2];
}

int Logo_Index(int x, int y) {
    const std::uint8_t byte = zembrix_bitmap[static_cast<std::size_t>((y * logo_width + x) / 2)];
    return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

using Logo_Layers = std::array<std::vector<XRectangle>, 16>;

// The logo as rectangles of one colour each: runs of equal pixels in a row,
// stacked where the rows below repeat them. The same pixels as a walk point
// by point, in a few requests of some ten kilobytes instead of 115200 points.
Logo_Layers Make_Logo_Layers() {
    Logo_Layers runs;
    for (int y = 0; y < logo_height; ++y) {
        int x = 0;
        while (x < logo_width) {
            const int color = Logo_Index(x, y);
            int end = x + 1;
            while (end < logo_width && Logo_Index(end, y) == color) {
                ++end;
            }
            runs[static_cast<std::size_t>(color)].push_back(
                XRectangle{static_cast<short>(x), static_cast<short>(logo_top + y),
                           static_cast<unsigned short>(end - x), 1});
            x = end;
        }
    }
    for (std::vector<XRectangle>& layer : runs) {
        layer = Stack_Rows(layer);
    }
    return runs;
}

void Draw_Logo(GC gc, Display* display, Drawable window, const Pixel_Format& format) {
    // The logo never changes: its rectangles are worked out once.
    static const Logo_Layers layers = Make_Logo_Layers();
    for (int color = 0; color < 16; ++color) {
        const std::vector<XRectangle>& rectangles = layers[static_cast<std::size_t>(color)];
        if (rectangles.empty()) {
            continue;
        }
        Set_Foreground(display, gc, format, Logo_Color(color));
        XFillRectangles(display, window, gc, const_cast<XRectangle*>(rectangles.data()),
                        static_cast<int>(rectangles.size()));
    }
}

void Draw_Menu_Plate(GC gc, Display* display, Drawable window, int top,
                     const Pixel_Format& format) {
    Set_Foreground(display, gc, format, 0x808080);
    XFillRectangle(display, window, gc, 55, top, 530, 60);
    Set_Foreground(display, gc, format, 0x404040);
    XDrawRectangle(display, window, gc, 62, top + 7, 515, 45);
    XDrawRectangle(display, window, gc, 63, top + 8, 513, 43);
}

} // namespace

int Root_Hit_Code(int x, int y) {
    for (const Hit_Area& area : root_hit_areas) {
        if (x >= area.left && x <= area.right && y >= area.top && y <= area.bottom) {
            return area.code;
        }
    }
    return 0;
}

void Draw_Root_Window(GC gc, Display* display, Drawable window, const Pixel_Format& format) {
    Set_Foreground(display, gc, format, 0x000000);
    XFillRectangle(display, window, gc, 0, 0, root_width, root_height);
    Draw_Logo(gc, display, window, format);
    for (const Menu_Entry& entry : menu_entries) {
        Draw_Menu_Plate(gc, display, window, entry.top, format);
    }
    Set_Foreground(display, gc, format, 0xFFFFFF);
    for (const Menu_Entry& entry : menu_entries) {
        XDrawString(display, window, gc, entry.text_x, entry.text_y, entry.text.data(),
                    static_cast<int>(entry.text.size()));
    }
}

namespace {

int Run_Root_Window(Display* d) {
    const Fixed_Window window =
        Create_Fixed_Window(d, {root_width, root_height, 350, "Zembrix Image Converter"});
    const Loaded_Font font(d, "10x20");
    const Graphics_Context context(d, window.window);
    GC gc = context.gc;
    if (font.font) {
        XSetFont(d, gc, font.font->fid);
    }
    for (;;) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == Expose) {
            // One repaint for a burst of exposures, when its last one arrives.
            if (event.xexpose.count == 0) {
                Draw_Root_Window(gc, d, window.window, window.format);
            }
        } else if (event.type == ButtonPress) {
            const Pointer_Position at = Query_Pointer(d, window.window);
            if (const int code = at.on_screen ? Root_Hit_Code(at.x, at.y) : 0) {
                return code;
            }
        } else if (event.type == KeyPress && Is_Escape(event.xkey)) {
            return root_escape;
        } else if (Is_Close_Request(event, window)) {
            return root_exit;
        }
    }
}

} // namespace

int Root_Window_Choice() {
    int code = root_escape;
    {
        Display_Handle display = Open_Display();
        if (!display) {
            return root_escape;
        }
        code = Run_Root_Window(display.get());
    }
    if (code == root_escape) {
        // The editor's wording, kept as the program has always said it.
        std::fputs("Exiting editor...\n", stderr);
    }
    return code;
}
