#pragma once
// Where things are in the editor window: what the drawing paints there and
// what a press there reaches.

constexpr int editor_cell_size = 7; // the picture seven times enlarged

constexpr int palette_left = 919;
constexpr int swatch_top = 10;
constexpr int swatch_pitch = 25;
constexpr int swatch_width = 60;
constexpr int swatch_height = 20;

constexpr int eyedropper_top = 440;
constexpr int pencil_top = 525;

// The buttons' red frames; their grey faces start a row lower.
constexpr int save_frame_top = 604;
constexpr int exit_frame_top = 635;
