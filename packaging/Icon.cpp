#include "packaging/Icon.h"

#include "ui/Data.h"

#include <algorithm>

namespace {

DTPixel Logo_Pixel(int x, int y) {
    const std::uint8_t byte = zembrix_bitmap[static_cast<std::size_t>((y * logo_width + x) / 2)];
    const int index = x % 2 == 0 ? byte >> 4 : byte & 0x0F;
    // Palette entries are stored blue, green, red, unused.
    const auto* entry = &zembrix_palette[static_cast<std::size_t>(4 * index)];
    return {entry[2], entry[1], entry[0]};
}

// Icon pixels and banner pixels are measured in units of 1/size of a banner
// pixel, so that each icon pixel covers exactly icon_crop_side units a side
// and every weight is a whole number.
long Overlap(long cell, int size, long from, long to) {
    return std::max(0L, std::min(to, (cell + 1) * size) - std::max(from, cell * size));
}

DTPixel Average(const DTImage& logo, int size, int icon_x, int icon_y) {
    const long left = static_cast<long>(icon_x) * icon_crop_side;
    const long top = static_cast<long>(icon_y) * icon_crop_side;
    const long side = icon_crop_side;
    long sums[3] = {0, 0, 0};
    for (long y = top / size; y * size < top + side; ++y) {
        const long wy = Overlap(y, size, top, top + side);
        for (long x = left / size; x * size < left + side; ++x) {
            const long w = wy * Overlap(x, size, left, left + side);
            const DTPixel p = logo.pixels[static_cast<std::size_t>(
                (icon_crop_top + y) * logo.width + icon_crop_left + x)];
            sums[0] += w * p.r;
            sums[1] += w * p.g;
            sums[2] += w * p.b;
        }
    }
    const long total = side * side;
    auto channel = [&](long sum) { return static_cast<std::uint8_t>((sum + total / 2) / total); };
    return {channel(sums[0]), channel(sums[1]), channel(sums[2])};
}

} // namespace

DTImage Logo_Image() {
    DTImage logo;
    logo.width = logo_width;
    logo.height = logo_height;
    logo.type = DTImageTypePNG;
    logo.pixelCount = static_cast<std::uint64_t>(logo_width) * logo_height;
    logo.pixels.reserve(logo.pixelCount);
    for (int y = 0; y < logo_height; ++y) {
        for (int x = 0; x < logo_width; ++x) {
            logo.pixels.push_back(Logo_Pixel(x, y));
        }
    }
    return logo;
}

DTImage Icon_Image(int size) {
    DTImage icon;
    if (size < min_icon_size || size > max_icon_size) {
        return icon;
    }
    const DTImage logo = Logo_Image();
    icon.width = icon.height = size;
    icon.type = DTImageTypePNG;
    icon.pixelCount = static_cast<std::uint64_t>(size) * size;
    icon.pixels.reserve(icon.pixelCount);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            icon.pixels.push_back(Average(logo, size, x, y));
        }
    }
    return icon;
}
