#pragma once
// The picture record that every subsystem passes around.

#include "core/Palette.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

constexpr int picture_width = 128;
constexpr int picture_height = 96;
constexpr int picture_pixels = picture_width * picture_height; // 12288

struct MQ4_Document {
    // Palette index of each pixel, row-major from the top-left corner.
    std::array<std::uint8_t, picture_pixels> pixels{};
    // Display colours, every channel a multiple of 8 (the file's hardware
    // words are made from them when it is written).
    Palette_Colors palette{};
    // Window title made from the source path; absent for the empty picture.
    std::optional<std::string> file_title;
    // Full path of the MQ4 file the picture was opened from.
    std::optional<std::string> document_name;
};
