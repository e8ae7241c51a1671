#include "image/Orientation.h"

#include <algorithm>
#include <libexif/exif-data.h>
#include <memory>
#include <utility>

namespace {

struct Exif_Data_Releaser {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

// Where upright pixel (x, y) comes from in a stored image of the size.
std::pair<int, int> Stored_Position(int x, int y, Pixel_Size stored, int orientation) {
    const int w = stored.width;
    const int h = stored.height;
    switch (orientation) {
    case 2:
        return {w - 1 - x, y};
    case 3:
        return {w - 1 - x, h - 1 - y};
    case 4:
        return {x, h - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {y, h - 1 - x};
    case 7:
        return {w - 1 - y, h - 1 - x};
    case 8:
        return {w - 1 - y, x};
    default:
        return {x, y};
    }
}

} // namespace

int Exif_Orientation(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 6 || size > 0xFFFF) {
        return 1;
    }
    const std::unique_ptr<ExifData, Exif_Data_Releaser> exif(exif_data_new());
    if (!exif) {
        return 1;
    }
    // Read the block as it is: the library's repairs would only invent
    // entries that the camera did not write.
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif.get(), data, static_cast<unsigned int>(size));
    ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2) {
        return 1;
    }
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
    return value >= 1 && value <= 8 ? value : 1;
}

bool Swaps_Sides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

Pixel_Size Upright_Size(Pixel_Size stored, int orientation) {
    return Swaps_Sides(orientation) ? Pixel_Size{stored.height, stored.width} : stored;
}

DTImage Apply_Orientation(const DTImage& stored, int orientation) {
    if (orientation < 2 || orientation > 8) {
        return stored;
    }
    const Pixel_Size from{stored.width, stored.height};
    const Pixel_Size size = Upright_Size(from, orientation);
    DTImage upright;
    upright.type = stored.type;
    upright.width = size.width;
    upright.height = size.height;
    upright.pixelCount = stored.pixelCount;
    upright.pixels.reserve(stored.pixels.size());
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const auto [sx, sy] = Stored_Position(x, y, from, orientation);
            upright.pixels.push_back(
                stored.pixels[static_cast<std::size_t>(sy) * stored.width + sx]);
        }
    }
    return upright;
}

Pixel_Rect Stored_Rect(const Pixel_Rect& upright, Pixel_Size stored, int orientation) {
    if (upright.x1 <= upright.x0 || upright.y1 <= upright.y0) {
        return {};
    }
    // The stored positions of two opposite corner pixels span the rectangle.
    const auto [ax, ay] = Stored_Position(upright.x0, upright.y0, stored, orientation);
    const auto [bx, by] = Stored_Position(upright.x1 - 1, upright.y1 - 1, stored, orientation);
    return {std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + 1, std::max(ay, by) + 1};
}
