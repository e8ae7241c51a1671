#pragma once
// Painting only what an event changed in the editor window. The window must
// already show the state before the event; afterwards it shows, pixel for
// pixel, what Draw_Editor_Window paints for the new state.

#include "core/MQ4_Document.h"
#include "ui/Editor_Input.h"
#include "ui/Editor_State.h"
#include "ui/Pixel_Format.h"

#include <X11/Xlib.h>

// One picture cell (index row * 128 + column) in its palette colour; a cell
// outside the picture paints nothing.
void Draw_Editor_Cell(const MQ4_Document* document, int cell, Display* display, Drawable drawable,
                      GC gc, const Pixel_Format& format = rgb_24);

// The colour frames after a change of colour: the previous one erased, the
// current one marked; nothing when the colour was chosen again.
void Draw_Color_Selection(const Editor_State* state, Display* display, Drawable drawable, GC gc,
                          const Pixel_Format& format = rgb_24);

// The tool frames after a change of tool, likewise.
void Draw_Tool_Selection(const Editor_State* state, Display* display, Drawable drawable, GC gc,
                         const Pixel_Format& format = rgb_24);

// Paints what the response names: the whole window, or the changed cell and
// the frames involved.
void Draw_Editor_Changes(const Editor_Response& response, const MQ4_Document* document,
                         const Editor_State* state, Display* display, Drawable drawable, GC gc,
                         const Pixel_Format& format = rgb_24);
