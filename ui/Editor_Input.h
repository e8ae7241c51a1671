#pragma once
// What the editor does with a pointer position: which area a press reaches
// and how the picture and the selection change. Free of X so that it can be
// tested on its own.

#include "core/MQ4_Document.h"
#include "ui/Editor_State.h"

enum class Editor_Area { none, picture, swatch, eyedropper, pencil, save, exit };

struct Editor_Hit {
    Editor_Area area = Editor_Area::none;
    int index = 0; // the cell for the picture, the colour for a swatch
};

// The area under a window position; hit areas include their bounds.
Editor_Hit Hit_Test(int x, int y);

// What the window has to do after an event. A redraw names what changed, so
// that only that is painted again.
struct Editor_Response {
    bool redraw = false;
    bool whole = false;        // everything: the window was exposed
    int cell = -1;             // the one picture cell whose colour changed
    bool color_frames = false; // the colour was chosen again
    bool tool_frames = false;  // the tool was chosen again
    bool cursor = false;       // the tool was chosen again: set its cursor
    bool save = false;
    bool leave = false;
};

// The pointer moved with button 1 held: the pencil paints the cell under it,
// redrawing only when the cell changes.
Editor_Response Drag_At(MQ4_Document* document, Editor_State* state, int x, int y);

// A press of any button: the drag step first, then the press's own effect.
Editor_Response Press_At(MQ4_Document* document, Editor_State* state, int x, int y);
