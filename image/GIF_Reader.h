#pragma once
// GIF files through giflib: the first frame, coloured by its own colour
// table or the file's global one, on the file's logical screen (the rest of
// which takes the background colour). Transparency is dropped: a transparent
// pixel shows its table colour, as a PNG's alpha is dropped. Rows are
// decoded one at a time, an interlaced frame's in the order stored.

#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// "GIF87a" or "GIF89a".
bool Is_GIF_Signature(const std::uint8_t* bytes, std::size_t size);

// The image of the stream, whole (its first pixels) when the mode is none
// and fitted otherwise; none after a report naming the file.
std::optional<DTImage> Read_GIF(std::FILE* file, const std::string& name, Fit_Mode mode);
