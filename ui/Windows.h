#pragma once
// The program's windows: each function opens its own display connection,
// runs its own event loop and closes the connection before it returns.

#include <X11/Xlib.h>

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
void Draw_Root_Window(GC gc, Display* display, Drawable window);

// The entry under a point of the start window, or 0 for none.
int Root_Hit_Code(int x, int y);
