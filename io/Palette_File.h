#pragma once
// Palette files. Read: the 16 colours of an MQ4 picture, a PNG of at most 16
// colours, and the palette files artists trade: GIMP (.gpl), Adobe colour
// tables (.act, 768 bytes, with or without the 4-byte count), JASC (.pal)
// and Lospec hex lists (.hex, one RRGGBB a line). Written: the last four, by
// the name's extension. Colours are put on the hardware's levels as a
// picture's are (each channel cut down to a multiple of 8); a file of fewer
// than 16 colours leaves the rest black.

#include "core/Palette.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The palette in the file at the path. None after a report ("Cannot use PATH
// as a palette: ...") when the file cannot be read, is none of the kinds,
// is malformed, or holds more than 16 colours.
std::optional<Palette_Colors> Read_Palette_File(const std::string& path);

// The same, as the file's colours alone (1 to 16 of them, in file order, on
// the levels): what a palette of fewer than 16 colours leaves to be filled.
std::optional<std::vector<DTPixel>> Read_Palette_Colors(const std::string& path);

// The colours of a GIMP palette's text, in file order, as they stand; none
// with the reason when it is not one.
std::optional<std::vector<DTPixel>> Parse_GIMP_Palette(const std::string& text,
                                                       std::string* reason);

// The text of a GIMP palette of the 16 colours under the name.
std::string GIMP_Palette_Text(const Palette_Colors& palette, const std::string& name);

// Whether the name ends in an extension a palette is written as: .gpl, .act,
// .pal or .hex, in any case.
bool Is_Palette_File_Name(const std::string& path);

// A colour written as six hexadecimal digits RRGGBB (a leading # allowed),
// as .hex palettes and --keep-colour give them; none for anything else.
std::optional<DTPixel> Parse_Hex_Colour(std::string_view text);

// The bytes of the palette in the kind of file its name says (a GIMP palette
// for any other name), the GIMP palette named after the file.
std::vector<std::uint8_t> Palette_File_Bytes(const std::string& path,
                                             const Palette_Colors& palette);

// Writes the palette safely (see io/Safe_Write.h) in the kind of file its
// name says (see Palette_File_Bytes). On failure reports "Could not save
// PATH: REASON" and gives false.
bool Write_Palette_File(const std::string& path, const Palette_Colors& palette);
