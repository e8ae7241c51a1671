#include "ui/Data.h"
#include "ui/Windows.h"
#include "ui/X_Session.h"

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

// The logo as one point list per colour: the same pixels as a walk point by
// point, in sixteen requests instead of 115200.
void Draw_Logo(GC gc, Display* display, Drawable window) {
    std::vector<XPoint> points[16];
    for (int y = 0; y < logo_height; ++y) {
        for (int x = 0; x < logo_width; x += 2) {
            const std::uint8_t byte =
                zembrix_bitmap[static_cast<std::size_t>((y * logo_width + x) / 2)];
            const auto row = static_cast<short>(logo_top + y);
            points[byte >> 4].push_back({static_cast<short>(x), row});
            points[byte & 0x0F].push_back({static_cast<short>(x + 1), row});
        }
    }
    for (int color = 0; color < 16; ++color) {
        if (points[color].empty()) {
            continue;
        }
        XSetForeground(display, gc, Logo_Color(color));
        XDrawPoints(display, window, gc, points[color].data(),
                    static_cast<int>(points[color].size()), CoordModeOrigin);
    }
}

void Draw_Menu_Plate(GC gc, Display* display, Drawable window, int top) {
    XSetForeground(display, gc, 0x808080);
    XFillRectangle(display, window, gc, 55, top, 530, 60);
    XSetForeground(display, gc, 0x404040);
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

void Draw_Root_Window(GC gc, Display* display, Drawable window) {
    XSetForeground(display, gc, 0);
    XFillRectangle(display, window, gc, 0, 0, root_width, root_height);
    Draw_Logo(gc, display, window);
    for (const Menu_Entry& entry : menu_entries) {
        Draw_Menu_Plate(gc, display, window, entry.top);
    }
    XSetForeground(display, gc, 0xFFFFFF);
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
            Draw_Root_Window(gc, d, window.window);
        } else if (event.type == ButtonPress) {
            const Pointer_Position at = Query_Pointer(d, window.window);
            if (const int code = Root_Hit_Code(at.x, at.y)) {
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
