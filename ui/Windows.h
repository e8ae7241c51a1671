#pragma once
// The program's windows and their drawing.

#include <X11/Xlib.h>

struct MQ4_Document;
struct Editor_State;

// Paints the whole editor (1000 x 672) into a window or pixmap whose
// background is white: the picture seven times enlarged, the palette, the
// buttons, the tool icons and the selection frames. Only the GC's foreground
// is changed.
void Draw_Editor_Window(const MQ4_Document* document, const Editor_State* state, Display* display,
                        Drawable drawable, GC gc);
