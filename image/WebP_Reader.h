#pragma once
// WebP files through libwebp: lossy, lossless and with alpha (dropped), and
// of an animation its first frame. The file is read into memory whole (the
// format is a RIFF structure). A fitted image is decoded by libwebp's own
// scaling straight at the size the fit needs, so only that is held; without
// fitting only the top rows that give the first 128x96 pixels are decoded.
// An embedded ICC profile is honoured.

#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// "RIFF", a size, "WEBP".
bool Is_WebP_Signature(const std::uint8_t* bytes, std::size_t size);

// The image of the stream, whole (its first pixels) when the mode is none
// and fitted otherwise; none after a report naming the file.
std::optional<DTImage> Read_WebP(std::FILE* file, const std::string& name, Fit_Mode mode);
