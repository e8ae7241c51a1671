#pragma once
// A picture's palette: 16 display colours, the one form in which pictures,
// conversions and palette files hold them. The hardware's 15-bit words are
// made only where a file is written (io/MQ4_File.h), and 0x00RRGGBB words
// only where a window is painted.

#include "core/DTImage.h"

#include <array>
#include <cstdint>
#include <vector>

constexpr int palette_size = 16;

// 16 display colours (every channel a multiple of 8, 0 to 248).
using Palette_Colors = std::array<DTPixel, palette_size>;

// The colour the hardware shows for an 8-bit one: each channel cut down to
// its level.
DTPixel Display_Pixel(DTPixel color);

// The first 16 of the colours, and black in the entries they do not fill.
Palette_Colors Padded_Palette(const std::vector<DTPixel>& colors);

// The colours cut down to the hardware's levels.
Palette_Colors Display_Palette(const Palette_Colors& colors);

// A colour as the word 0x00RRGGBB, and back.
std::int32_t Color_Word(DTPixel color);
DTPixel Split_Color(std::int32_t color);
