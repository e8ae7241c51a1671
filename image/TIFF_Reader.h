#pragma once
// TIFF files through libtiff: 8- and 16-bit RGB and grey, palette images
// and whatever else libtiff's RGBA interface reads, the first page only,
// stored in strips or in tiles. A strip, or a row of tiles, is decoded at a
// time and its rows handed on, so memory grows with the strip (refused
// beyond 256 MiB), not with the image. libtiff seeks through a file; a pipe
// is first copied to a temporary file. An embedded ICC profile is honoured.
// The orientation tag is not applied (scanners and editors write rows top
// to bottom).

#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// "II*\0" or "MM\0*" (classic TIFF), "II+\0" or "MM\0+" (BigTIFF).
bool Is_TIFF_Signature(const std::uint8_t* bytes, std::size_t size);

// The image of the stream, whole (its first pixels) when the mode is none
// and fitted otherwise; none after a report naming the file.
std::optional<DTImage> Read_TIFF(std::FILE* file, const std::string& name, Fit_Mode mode);
