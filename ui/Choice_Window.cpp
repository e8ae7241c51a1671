#include "ui/Picture_Painting.h"
#include "ui/Windows.h"
#include "ui/X_Session.h"

#include <string_view>
#include <vector>

namespace {

constexpr int choice_width = 1024;
constexpr int choice_height = 850;
constexpr int preview_scale = 4;

struct Slot_Layout {
    int left;
    int top;
    std::string_view label;
    int label_x;
    int label_y;
};

constexpr Slot_Layout slots[choice_count] = {
    {0, 0, "Floyd Steinberg dither", 190, 401},
    {512, 0, "Diffusion dither", 715, 401},
    {0, 410, "Octree quantization, no dither", 160, 810},
    {512, 410, "Closest color, no dither", 690, 810},
};

void Draw_Text(Display* display, Drawable window, GC gc, int x, int y, std::string_view text) {
    XDrawString(display, window, gc, x, y, text.data(), static_cast<int>(text.size()));
}

} // namespace

int Choice_Hit_Slot(int x, int y) {
    for (int slot = 0; slot < choice_count; ++slot) {
        // A preview without its left and right columns and its top row.
        const Slot_Layout& s = slots[slot];
        if (x >= s.left + 1 && x <= s.left + 510 && y >= s.top + 1 && y <= s.top + 383) {
            return slot;
        }
    }
    return -1;
}

void Draw_Choices(const Choice_List& choices, GC gc, Display* display, Drawable window,
                  const Pixel_Format& format) {
    // All four at once: their palettes mostly agree, so each colour is one
    // request for all of them.
    std::vector<Placed_Picture> previews;
    for (int slot = 0; slot < choice_count; ++slot) {
        previews.push_back(
            {choices[static_cast<std::size_t>(slot)], slots[slot].left, slots[slot].top});
    }
    Paint_Pictures(previews, preview_scale, display, window, gc, format);
    Set_Foreground(display, gc, format, 0x000000);
    XDrawLine(display, window, gc, 0, 818, 1023, 818);
    Draw_Text(display, window, gc, 425, 839, "- click on the image to import -");
    for (const Slot_Layout& slot : slots) {
        Draw_Text(display, window, gc, slot.label_x, slot.label_y, slot.label);
    }
}

const MQ4_Document* Choice_Window(const Choice_List& choices) {
    Display_Handle display = Open_Display();
    if (!display) {
        return nullptr;
    }
    Display* d = display.get();
    const Fixed_Window window =
        Create_Fixed_Window(d, {choice_width, choice_height, 500, "Image Selection"});
    const Graphics_Context context(d, window.window);
    GC gc = context.gc;
    for (;;) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == Expose) {
            // One repaint for a burst of exposures, when its last one arrives.
            if (event.xexpose.count == 0) {
                Draw_Choices(choices, gc, d, window.window, window.format);
            }
        } else if (event.type == ButtonPress) {
            const Pointer_Position at = Query_Pointer(d, window.window);
            const int slot = at.on_screen ? Choice_Hit_Slot(at.x, at.y) : -1;
            if (slot >= 0) {
                return choices[static_cast<std::size_t>(slot)];
            }
        }
        // Keys and the close button are ignored: the choice cannot be cancelled.
    }
}
