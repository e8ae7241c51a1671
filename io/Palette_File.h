#pragma once
// Palette files: the 16 colours of an MQ4 picture, a GIMP palette (.gpl) or
// a PNG of at most 16 colours are read as a palette; a palette is written as
// a GIMP palette. Colours are put on the hardware's levels as a picture's
// are (each channel cut down to a multiple of 8); a file of fewer than 16
// colours leaves the rest black.

#include "core/Palette.h"

#include <optional>
#include <string>
#include <vector>

// The palette in the file at the path. None after a report ("Cannot use PATH
// as a palette: ...") when the file cannot be read,
// is none of the three kinds, or holds more than 16 colours.
std::optional<Palette_Colors> Read_Palette_File(const std::string& path);

// The colours of a GIMP palette's text, in file order, as they stand; none
// with the reason when it is not one.
std::optional<std::vector<DTPixel>> Parse_GIMP_Palette(const std::string& text,
                                                       std::string* reason);

// The text of a GIMP palette of the 16 colours under the name.
std::string GIMP_Palette_Text(const Palette_Colors& palette, const std::string& name);

// Writes the palette safely (see io/Safe_Write.h) as a GIMP palette named
// after the file. On failure reports "Could not save PATH: REASON" and gives
// false.
bool Write_Palette_File(const std::string& path, const Palette_Colors& palette);
