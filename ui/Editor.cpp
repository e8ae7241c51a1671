#include "ui/Editor.h"

#include "core/MQ4_Document.h"
#include "ui/Editor_Drawing.h"
#include "ui/Editor_Input.h"
#include "ui/Editor_State.h"
#include "ui/Windows.h"
#include "ui/X_Session.h"

#include <cstdio>

namespace {

constexpr int editor_width = 1000;
constexpr int editor_height = 672;
constexpr int editor_top_above_middle = 400;

// Cursor-font shapes: XC_circle for the eyedropper, XC_crosshair for the
// pencil.
constexpr unsigned eyedropper_cursor = 24;
constexpr unsigned pencil_cursor = 34;

struct Editor_Window {
    Display* display;
    Fixed_Window fixed;
    // Both tools' cursors, made once: a change of tool then costs one
    // request instead of three.
    Cursor eyedropper;
    Cursor pencil;
};

void Set_Tool_Cursor(const Editor_Window& editor, int tool) {
    XDefineCursor(editor.display, editor.fixed.window,
                  tool == tool_pencil ? editor.pencil : editor.eyedropper);
}

Editor_Window Open_Editor_Window(Display* display, const MQ4_Document& document) {
    const char* title = document.file_title ? document.file_title->c_str() : "";
    Editor_Window editor{};
    editor.display = display;
    editor.fixed = Create_Fixed_Window(
        display, Window_Layout{editor_width, editor_height, editor_top_above_middle, title});
    editor.eyedropper = XCreateFontCursor(display, eyedropper_cursor);
    editor.pencil = XCreateFontCursor(display, pencil_cursor);
    Set_Tool_Cursor(editor, tool_eyedropper);
    return editor;
}

// Handles one event; the position comes from the pointer as it is now, not
// from the event. A pointer on another screen of the display has no position
// in the window: the event does nothing.
Editor_Response Handle_Event(const Editor_Window& editor, XEvent& event, MQ4_Document* document,
                             Editor_State* state) {
    Editor_Response response;
    switch (event.type) {
    case Expose:
        // One repaint for a burst of exposures, when its last one arrives.
        response.redraw = event.xexpose.count == 0;
        response.whole = response.redraw;
        break;
    case MotionNotify: {
        const Pointer_Position at = Query_Pointer(editor.display, editor.fixed.window);
        if (at.on_screen) {
            response = Drag_At(document, state, at.x, at.y);
        }
        break;
    }
    case ButtonPress: {
        const Pointer_Position at = Query_Pointer(editor.display, editor.fixed.window);
        if (at.on_screen) {
            response = Press_At(document, state, at.x, at.y);
        }
        break;
    }
    case KeyPress:
        response.leave = Is_Escape(event.xkey);
        break;
    default:
        response.leave = Is_Close_Request(event, editor.fixed);
        break;
    }
    return response;
}

void Run_Editor(Display* display, MQ4_Document* document, const Save_Action& save) {
    Editor_Window editor = Open_Editor_Window(display, *document);
    const Graphics_Context context(display, editor.fixed.window);
    Editor_State state{};
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        const Editor_Response response = Handle_Event(editor, event, document, &state);
        // The tool chosen again keeps the cursor it has.
        if (response.cursor && state.current_tool != state.previous_tool) {
            Set_Tool_Cursor(editor, state.current_tool);
        }
        if (response.redraw) {
            Draw_Editor_Changes(response, document, &state, display, editor.fixed.window,
                                context.gc, editor.fixed.format);
        }
        if (response.save) {
            save(*document);
        }
        if (response.leave) {
            return;
        }
    }
}

} // namespace

int MQ4_Editor(MQ4_Document* document, const Save_Action& save) {
    if (Display_Handle display = Open_Display()) {
        Run_Editor(display.get(), document, save);
    }
    // Closing the display above freed the window and the cursors.
    std::fputs("Exiting editor...\n", stderr);
    return 0;
}
