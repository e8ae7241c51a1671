#pragma once
// Constant bitmaps compiled into the program.

#include <array>
#include <cstdint>

// Tool icons: 50 x 50 pixels, one bit each, 7 bytes a row (the left column in
// the high bit, the last byte's six low bits padding), top row first. A 0 bit
// is ink, a 1 bit background.
constexpr int icon_size = 50;
constexpr int icon_row_bytes = 7;
using Icon_Bitmap = std::array<std::uint8_t, icon_size * icon_row_bytes>;

extern const Icon_Bitmap eyedrop;
extern const Icon_Bitmap pencil;
