// zembrix-icon SIZE OUTPUT: writes the desktop icon as a SIZE x SIZE PNG; run
// by the build.

#include "io/PNG_Writer.h"
#include "io/Safe_Write.h"
#include "packaging/Icon.h"

#include <charconv>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    int size = 0;
    const std::string size_text = argc == 3 ? argv[1] : "";
    const char* end = size_text.data() + size_text.size();
    const auto [stop, error] = std::from_chars(size_text.data(), end, size);
    if (argc != 3 || error != std::errc() || stop != end || size < min_icon_size ||
        size > max_icon_size) {
        std::fprintf(stderr, "Usage: zembrix-icon SIZE OUTPUT (SIZE %d to %d)\n", min_icon_size,
                     max_icon_size);
        return 2;
    }
    const auto bytes = Encode_PNG_Image(Icon_Image(size));
    std::string reason = "the PNG encoder failed";
    if (!bytes || !Write_File_Safely(argv[2], bytes->data(), bytes->size(), &reason)) {
        std::fprintf(stderr, "zembrix-icon: could not write %s: %s\n", argv[2], reason.c_str());
        return 1;
    }
    return 0;
}
