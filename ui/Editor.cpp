#include "ui/Editor.h"

#include "app/MQ4_Document.h"
#include "io/MQ4_File.h"
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
    Cursor cursor;
};

// Shows the cursor of the current tool and frees the one it replaces.
void Set_Tool_Cursor(Editor_Window& editor, int tool) {
    const Cursor old = editor.cursor;
    editor.cursor =
        XCreateFontCursor(editor.display, tool == tool_pencil ? pencil_cursor : eyedropper_cursor);
    XDefineCursor(editor.display, editor.fixed.window, editor.cursor);
    if (old != 0) {
        XFreeCursor(editor.display, old);
    }
}

Editor_Window Open_Editor_Window(Display* display, const MQ4_Document& document) {
    const char* title = document.file_title ? document.file_title->c_str() : "";
    Editor_Window editor{};
    editor.display = display;
    editor.fixed = Create_Fixed_Window(
        display, Window_Spec{editor_width, editor_height, editor_top_above_middle, title});
    Set_Tool_Cursor(editor, tool_eyedropper);
    return editor;
}

// Handles one event; the position comes from the pointer as it is now, not
// from the event.
Editor_Response Handle_Event(Editor_Window& editor, XEvent& event, MQ4_Document* document,
                             Editor_State* state) {
    Editor_Response response;
    switch (event.type) {
    case Expose:
        response.redraw = true;
        break;
    case MotionNotify: {
        const Pointer_Position at = Query_Pointer(editor.display, editor.fixed.window);
        response = Drag_At(document, state, at.x, at.y);
        break;
    }
    case ButtonPress: {
        const Pointer_Position at = Query_Pointer(editor.display, editor.fixed.window);
        response = Press_At(document, state, at.x, at.y);
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

void Run_Editor(Display* display, MQ4_Document* document) {
    Editor_Window editor = Open_Editor_Window(display, *document);
    const Graphics_Context context(display, editor.fixed.window);
    Editor_State state{};
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        const Editor_Response response = Handle_Event(editor, event, document, &state);
        if (response.cursor) {
            Set_Tool_Cursor(editor, state.current_tool);
        }
        if (response.redraw) {
            Draw_Editor_Window(document, &state, display, editor.fixed.window, context.gc);
        }
        if (response.save) {
            Save_MQ4_File(document);
        }
        if (response.leave) {
            return;
        }
    }
}

} // namespace

int MQ4_Editor(MQ4_Document* document) {
    if (Display_Handle display = Open_Display()) {
        Run_Editor(display.get(), document);
    }
    // Closing the display above freed the window and the cursor.
    std::fputs("Exiting editor...\n", stderr);
    return 0;
}
