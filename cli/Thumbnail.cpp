#include "cli/Thumbnail.h"

#include "cli/Convert_IO.h"
#include "io/MQ4_File.h"
#include "io/PNG_Writer.h"

#include <algorithm>

int Thumbnail_Scale(int size) {
    const int fits = std::min(size / picture_width, size / picture_height);
    return std::clamp(fits, min_png_scale, max_png_scale);
}

int Make_Thumbnail(int size, const std::string& input, const std::string& output) {
    MQ4_Document picture;
    if (!Read_MQ4_File(input, &picture) ||
        !Write_PNG_Picture(output, picture, Thumbnail_Scale(size))) {
        return exit_failure;
    }
    return exit_success;
}
