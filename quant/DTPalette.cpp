#include "quant/DTPalette.h"

#include <algorithm>

DTPixel FindClosestColorFromPalette(DTPixel color, const DTPalette& palette) {
    if (palette.count <= 0) {
        return color;
    }
    int best_distance = 3 * 255 * 255 + 1;
    int best_index = 0;
    for (int i = 0; i < palette.count; ++i) {
        const DTPixel& entry = palette.colors[i];
        const int dr = color.r - entry.r;
        const int dg = color.g - entry.g;
        const int db = color.b - entry.b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best_index = i;
        }
    }
    return palette.colors[best_index];
}

DTPaletteChannels SplitPaletteChannels(const DTPalette& palette) {
    DTPaletteChannels channels;
    channels.count = std::max(palette.count, 0);
    std::vector<std::array<int, 3>> colors;
    for (int i = 0; i < channels.count; ++i) {
        const DTPixel& color = palette.colors[i];
        channels.r.push_back(color.r);
        channels.g.push_back(color.g);
        channels.b.push_back(color.b);
        colors.push_back({color.r, color.g, color.b});
    }
    channels.by_few =
        has_few_colors_search && channels.count >= 1 && colors.size() <= max_few_colors;
    channels.by_cells =
        !channels.by_few && channels.count >= 1 && colors.size() <= max_cell_search_colors;
    if (channels.by_few) {
        Make_Few_Colors_Search(colors, {1, 1, 1}, &channels.few);
    }
    if (channels.by_cells) {
        Make_Cell_Search(colors, Channel_Cost::squared, {1, 1, 1}, &channels.cells);
    }
    return channels;
}

int FindClosestIndexByScan(DTPixel color, const DTPaletteChannels& channels) {
    int best_distance = 3 * 255 * 255 + 1;
    int best_index = 0;
    for (int i = 0; i < channels.count; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        const int dr = color.r - channels.r[at];
        const int dg = color.g - channels.g[at];
        const int db = color.b - channels.b[at];
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best_index = i;
        }
    }
    return best_index;
}

DTPixel FindClosestColor(DTPixel color, const DTPalette& palette,
                         const DTPaletteChannels& channels) {
    return palette.count > 0 ? palette.colors[FindClosestIndex(color, channels)] : color;
}
