#pragma once
// HEIC and AVIF files through libheif: the primary image, turned and
// mirrored as the file asks (libheif applies those on decoding). libheif
// decodes the whole image at once, so a 24-megapixel photo holds about
// 3 bytes a pixel of RGB beside its decoded planes while its rows are fitted.
// An ICC profile or an nclx colour description is honoured.

#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// An ISO base media file of an image brand libheif reads: "ftyp" and
// heic, heix, mif1, avif and the like.
bool Is_HEIF_Signature(const std::uint8_t* bytes, std::size_t size);

// The image of the stream, whole (its first pixels) when the mode is none
// and fitted otherwise; none after a report naming the file.
std::optional<DTImage> Read_HEIF(std::FILE* file, const std::string& name, Fit_Mode mode);
