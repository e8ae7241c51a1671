#pragma once
// The program's windows: each function opens its own display connection,
// runs its own event loop and closes the connection before it returns.

#include "ui/Pixel_Format.h"

#include <X11/Xlib.h>
#include <array>

struct MQ4_Document;

// Start window choices.
enum Root_Choice : int {
    root_escape = 0,
    root_import_png = 1,
    root_open_mq4 = 2,
    root_exit = 3,
};

// Shows the start window until an entry is clicked or Escape is pressed.
int Root_Window_Choice();

// Paints the whole start window (the font is already set in the context).
// Every drawing function takes its colours to the pixel values of `format`.
void Draw_Root_Window(GC gc, Display* display, Drawable window,
                      const Pixel_Format& format = rgb_24);

// The entry under a point of the start window, or 0 for none.
int Root_Hit_Code(int x, int y);

// The chooser's candidates in slot order: Floyd-Steinberg, diffusion, octree,
// closest colour.
constexpr int choice_count = 4;
using Choice_List = std::array<const MQ4_Document*, choice_count>;

// Shows the four candidates enlarged and gives the one clicked (one of the
// pointers received), or null when no window could be shown.
const MQ4_Document* Choice_Window(const Choice_List& choices);

// Paints the four previews, the separator line and the texts.
void Draw_Choices(const Choice_List& choices, GC gc, Display* display, Drawable window,
                  const Pixel_Format& format = rgb_24);

// The slot under a point of the chooser, or -1 for none.
int Choice_Hit_Slot(int x, int y);

struct Editor_State;

// Paints the whole editor (1000 x 672) into a window or pixmap whose
// background is white: the picture seven times enlarged, the palette, the
// buttons, the tool icons and the selection frames. Only the GC's foreground
// is changed.
void Draw_Editor_Window(const MQ4_Document* document, const Editor_State* state, Display* display,
                        Drawable drawable, GC gc, const Pixel_Format& format = rgb_24);
