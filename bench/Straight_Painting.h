#pragma once
// The straightforward way to paint the three windows, kept as the baseline:
// one foreground change and one request for every cell or point, the whole
// window after every change.

#include "ui/Editor_State.h"
#include "ui/Windows.h"

#include <X11/Xlib.h>

void Straight_Root_Window(GC gc, Display* display, Drawable window);
void Straight_Choices(const Choice_List& choices, GC gc, Display* display, Drawable window);
void Straight_Editor_Window(const MQ4_Document& document, const Editor_State& state,
                            Display* display, Drawable window, GC gc);
