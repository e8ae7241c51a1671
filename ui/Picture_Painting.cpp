#include "ui/Picture_Painting.h"

#include <unordered_map>

std::array<std::vector<XRectangle>, palette_size> Picture_Rectangles(const MQ4_Document& picture,
                                                                     int left, int top, int scale) {
    std::array<std::vector<XRectangle>, palette_size> groups;
    for (int row = 0; row < picture_height; ++row) {
        const std::uint8_t* line = &picture.pixels[static_cast<std::size_t>(row * picture_width)];
        int column = 0;
        while (column < picture_width) {
            // An index above 15 breaks the record's rule; it is painted as its
            // low four bits rather than read past the palette.
            const int index = line[column] & 0x0F;
            int end = column + 1;
            while (end < picture_width && (line[end] & 0x0F) == index) {
                ++end;
            }
            groups[static_cast<std::size_t>(index)].push_back(XRectangle{
                static_cast<short>(left + column * scale), static_cast<short>(top + row * scale),
                static_cast<unsigned short>((end - column) * scale),
                static_cast<unsigned short>(scale)});
            column = end;
        }
    }
    return groups;
}

std::vector<XRectangle> Stack_Rows(const std::vector<XRectangle>& rows) {
    std::vector<XRectangle> stacked;
    stacked.reserve(rows.size());
    // The last rectangle made for each span of columns.
    std::unordered_map<std::uint32_t, std::size_t> by_columns;
    for (const XRectangle& row : rows) {
        const std::uint32_t columns =
            static_cast<std::uint32_t>(static_cast<std::uint16_t>(row.x)) << 16 | row.width;
        const auto found = by_columns.find(columns);
        if (found != by_columns.end()) {
            XRectangle& above = stacked[found->second];
            if (above.y + above.height == row.y) {
                above.height = static_cast<unsigned short>(above.height + row.height);
                continue;
            }
        }
        by_columns[columns] = stacked.size();
        stacked.push_back(row);
    }
    return stacked;
}

void Paint_Picture(const MQ4_Document& picture, Display* display, Drawable drawable, GC gc,
                   int left, int top, int scale) {
    const auto groups = Picture_Rectangles(picture, left, top, scale);
    for (int index = 0; index < palette_size; ++index) {
        const std::vector<XRectangle>& rectangles = groups[static_cast<std::size_t>(index)];
        if (rectangles.empty()) {
            continue;
        }
        XSetForeground(display, gc,
                       Shown_Color(picture.palette_rgb[static_cast<std::size_t>(index)]));
        XFillRectangles(display, drawable, gc, const_cast<XRectangle*>(rectangles.data()),
                        static_cast<int>(rectangles.size()));
    }
}
