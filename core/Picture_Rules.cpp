#include "core/Picture_Rules.h"

#include <cctype>

int Downsample(int value) {
    if (value < 8) {
        return 0;
    }
    if (value >= 248) {
        return 248;
    }
    return value & ~7;
}

std::int32_t Display_Color(int red, int green, int blue) {
    return (Downsample(red) << 16) + (Downsample(green) << 8) + Downsample(blue);
}

std::uint16_t Encode_555(std::int32_t color) {
    const unsigned c = static_cast<unsigned>(color);
    const unsigned blue5 = (c & 0xF8u) >> 3;
    const unsigned green5 = (c & 0xF800u) >> 6;
    const unsigned red5 = (c & 0xF80000u) >> 9;
    return static_cast<std::uint16_t>((blue5 + green5 + red5) | 0x8000u);
}

std::string Title_From_Path(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = base.find('.');
    // A leading dot marks a hidden file, not an extension.
    if (dot != std::string::npos && dot != 0) {
        return base.substr(0, dot) + ".MQ4";
    }
    return base + ".MQ4";
}

bool Has_Extension(const std::string& path, const std::string& extension) {
    if (path.size() <= extension.size()) {
        return false;
    }
    const std::size_t start = path.size() - extension.size();
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(path[start + i])) !=
            std::tolower(static_cast<unsigned char>(extension[i]))) {
            return false;
        }
    }
    return true;
}
