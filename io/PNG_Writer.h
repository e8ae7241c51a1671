#pragma once
// A picture written as an 8-bit RGB PNG of its display colours.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr int min_png_scale = 1;
constexpr int max_png_scale = 16;

// The PNG bytes of the picture with every pixel enlarged to scale x scale
// (1 to 16); none if the encoder fails.
std::optional<std::vector<std::uint8_t>> Encode_PNG_Picture(const MQ4_Document& picture, int scale);

// Encodes the picture and writes it safely (see Safe_Write.h). On failure
// reports "Could not save PATH: REASON" and returns false.
bool Write_PNG_Picture(const std::string& path, const MQ4_Document& picture, int scale);

// The PNG bytes of an 8-bit RGB image; none if the encoder fails or the image
// is empty.
std::optional<std::vector<std::uint8_t>> Encode_PNG_Image(const DTImage& image);
