#include "ui/Editor_Input.h"

#include "ui/Data.h"
#include "ui/Editor_Layout.h"

namespace {

constexpr int picture_right = picture_width * editor_cell_size;   // 896, excluded
constexpr int picture_bottom = picture_height * editor_cell_size; // 672, excluded

// Hit areas are one pixel wider and taller than what is painted there.
constexpr int palette_right = palette_left + swatch_width;
constexpr int button_right = 981;
constexpr int save_top = save_frame_top + 1;
constexpr int exit_top = exit_frame_top + 1;
constexpr int button_height = 22;

bool Within(int value, int low, int high) {
    return value >= low && value <= high;
}

int Swatch_At(int y) {
    for (int i = 0; i < palette_size; ++i) {
        const int top = swatch_top + swatch_pitch * i;
        if (Within(y, top, top + swatch_height)) {
            return i;
        }
    }
    return -1;
}

Editor_Hit Palette_Column_Hit(int y) {
    if (const int swatch = Swatch_At(y); swatch >= 0) {
        return {Editor_Area::swatch, swatch};
    }
    if (Within(y, eyedropper_top, eyedropper_top + icon_size)) {
        return {Editor_Area::eyedropper, 0};
    }
    if (Within(y, pencil_top, pencil_top + icon_size)) {
        return {Editor_Area::pencil, 0};
    }
    return {};
}

Editor_Hit Button_Hit(int y) {
    if (Within(y, save_top, save_top + button_height)) {
        return {Editor_Area::save, 0};
    }
    if (Within(y, exit_top, exit_top + button_height)) {
        return {Editor_Area::exit, 0};
    }
    return {};
}

void Select_Color(Editor_State* state, int index) {
    state->previous_color = state->current_color;
    state->current_color = index;
}

void Select_Tool(Editor_State* state, int tool) {
    state->previous_tool = state->current_tool;
    state->current_tool = tool;
}

} // namespace

Editor_Hit Hit_Test(int x, int y) {
    if (Within(x, 0, picture_right - 1) && Within(y, 0, picture_bottom - 1)) {
        return {Editor_Area::picture,
                (x / editor_cell_size) + (y / editor_cell_size) * picture_width};
    }
    Editor_Hit hit;
    if (Within(x, palette_left, palette_right)) {
        hit = Palette_Column_Hit(y);
    }
    if (hit.area == Editor_Area::none && Within(x, palette_left, button_right)) {
        hit = Button_Hit(y);
    }
    return hit;
}

Editor_Response Drag_At(MQ4_Document* document, Editor_State* state, int x, int y) {
    Editor_Response response;
    const Editor_Hit hit = Hit_Test(x, y);
    if (state->current_tool == tool_pencil && hit.area == Editor_Area::picture &&
        document->pixels[hit.index] != state->current_color) {
        document->pixels[hit.index] = static_cast<std::uint8_t>(state->current_color);
        response.redraw = true;
        response.cell = hit.index;
    }
    return response;
}

Editor_Response Press_At(MQ4_Document* document, Editor_State* state, int x, int y) {
    Editor_Response response = Drag_At(document, state, x, y);
    const Editor_Hit hit = Hit_Test(x, y);
    switch (hit.area) {
    case Editor_Area::picture:
        if (state->current_tool == tool_eyedropper) {
            Select_Color(state, document->pixels[hit.index]);
            response.redraw = true;
            response.color_frames = true;
        } else if (state->current_tool == tool_pencil) {
            // A press always redraws, even when the cell keeps its colour;
            // the drag step above has already painted a cell that changed.
            document->pixels[hit.index] = static_cast<std::uint8_t>(state->current_color);
            response.redraw = true;
        }
        break;
    case Editor_Area::swatch:
        Select_Color(state, hit.index);
        response.redraw = true;
        response.color_frames = true;
        break;
    case Editor_Area::eyedropper:
    case Editor_Area::pencil:
        Select_Tool(state, hit.area == Editor_Area::pencil ? tool_pencil : tool_eyedropper);
        response.cursor = true;
        response.redraw = true;
        response.tool_frames = true;
        break;
    case Editor_Area::save:
        response.save = true;
        break;
    case Editor_Area::exit:
        response.leave = true;
        break;
    case Editor_Area::none:
        break;
    }
    return response;
}
