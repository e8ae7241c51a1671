#include "image/Image_Size.h"

#include "core/Report.h"

#include <cinttypes>

bool Image_Size_Allowed(std::int64_t width, std::int64_t height) {
    if (Image_Sides_Allowed(width, height)) {
        return true;
    }
    Report("Image size %" PRId64 "x%" PRId64 " is outside 1 to %d pixels a side.\n", width, height,
           static_cast<int>(max_image_side));
    return false;
}

bool Image_Size_Allowed(const char* format, const std::string& name, std::int64_t width,
                        std::int64_t height) {
    if (Image_Sides_Allowed(width, height)) {
        return true;
    }
    Report("Cannot read %s %s: its size %" PRId64 "x%" PRId64
           " is outside 1 to %d pixels a side.\n",
           format, name.c_str(), width, height, static_cast<int>(max_image_side));
    return false;
}
