#pragma once
// The editor's selection, owned by the editor and read by its drawing.

#include <cstdint>

constexpr std::int32_t tool_eyedropper = 0;
constexpr std::int32_t tool_pencil = 1;

struct Editor_State {
    std::int32_t current_color = 0;  // palette index the pencil paints
    std::int32_t previous_color = 0; // its frame is erased on the next drawing
    std::int32_t current_tool = tool_eyedropper;
    std::int32_t previous_tool = tool_eyedropper;
};
