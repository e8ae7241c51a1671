#pragma once
// A picture written as an 8-bit RGB PNG of its display colours.

#include "app/MQ4_Document.h"

#include <string>

constexpr int min_png_scale = 1;
constexpr int max_png_scale = 16;

// Writes the picture with every pixel enlarged to scale x scale, through a
// temporary file that replaces the target only once it is complete. On
// failure prints "Could not save <path>: <reason>" and leaves any old file.
bool Write_PNG_Picture(const std::string& path, const MQ4_Document& picture, int scale);
