#pragma once
// The one size rule that every image header is checked against, whatever
// its format: each side from 1 to max_image_side pixels.

#include <cstdint>
#include <string>

// Neither side of an accepted image may exceed this.
constexpr std::int32_t max_image_side = 16384;

// Whether a width and height are acceptable.
constexpr bool Image_Sides_Allowed(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= max_image_side && height <= max_image_side;
}

// The same, reporting why not ("Image size WxH is outside ...") when they are
// not.
bool Image_Size_Allowed(std::int64_t width, std::int64_t height);

// The same for a file of the format read by the converter, reporting "Cannot
// read FORMAT NAME: its size WxH is outside ..." when they are not.
bool Image_Size_Allowed(const char* format, const std::string& name, std::int64_t width,
                        std::int64_t height);
