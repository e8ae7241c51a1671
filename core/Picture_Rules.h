#pragma once
// Colour, title and file-name rules shared by every producer of a picture.

#include <cstdint>
#include <string>

// An 8-bit channel cut down to the hardware's 32 levels: 0, 8, ..., 248.
int Downsample(int value);

// The display colour 0x00RRGGBB of an 8-bit triple, each channel downsampled.
std::int32_t Display_Color(int red, int green, int blue);

// Display colour to hardware word: the top five bits of each channel,
// red in bits 14-10, green 9-5, blue 4-0, and bit 15 set.
std::uint16_t Encode_555(std::int32_t color);

// The base name of the path cut at its first dot, with ".MQ4" appended.
std::string Title_From_Path(const std::string& path);

// Whether the name ends in the extension (with its dot), in any case; the
// extension alone is no name.
bool Has_Extension(const std::string& path, const std::string& extension);
