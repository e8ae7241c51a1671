#pragma once
// A picture's palette as the conversions handle it: 16 display colours. The
// picture record keeps the same colours as 0x00RRGGBB words, the form the
// windows paint; the hardware's 15-bit words are made only where a file is
// written (io/MQ4_File.h).

#include "core/DTImage.h"
#include "core/MQ4_Document.h"

#include <array>
#include <cstdint>

// 16 display colours (every channel a multiple of 8, 0 to 248).
using Palette_Colors = std::array<DTPixel, palette_size>;

// A display colour word 0x00RRGGBB as its three channels.
DTPixel Split_Color(std::int32_t color);

// The picture's 16 display colours.
Palette_Colors Palette_Of(const MQ4_Document& picture);

// Sets the picture's palette to the colours, each cut down to the hardware's
// levels.
void Set_Palette(MQ4_Document* picture, const Palette_Colors& colors);
