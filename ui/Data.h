#pragma once
// Constant pictures compiled into the program.

#include <array>
#include <cstdint>

// The start window's banner: 640 x 180 pixels, 4 bits each, two to a byte
// (left pixel in the high nibble), indices into the palette.
constexpr int logo_width = 640;
constexpr int logo_height = 180;
// Four bytes per colour: blue, green, red, unused.
extern const std::array<std::uint8_t, 64> zembrix_palette;
extern const std::array<std::uint8_t, logo_width * logo_height / 2> zembrix_bitmap;

// Tool icons: 50 x 50 pixels, one bit each, 7 bytes a row (the left column in
// the high bit, the last byte's six low bits padding), top row first. A 0 bit
// is ink, a 1 bit background.
constexpr int icon_size = 50;
constexpr int icon_row_bytes = 7;
using Icon_Bitmap = std::array<std::uint8_t, icon_size * icon_row_bytes>;

extern const Icon_Bitmap eyedrop;
extern const Icon_Bitmap pencil;
