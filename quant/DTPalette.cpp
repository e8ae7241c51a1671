#include "quant/DTPalette.h"

#include "quant/Group_Search.h"

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

namespace {

// Farther from any colour than the largest real distance, 3 x 255 x 255.
constexpr int far_away = 1000;

} // namespace

DTPaletteChannels SplitPaletteChannels(const DTPalette& palette) {
    DTPaletteChannels channels;
    channels.count = std::max(palette.count, 0);
    const int padded = (channels.count + search_group - 1) / search_group * search_group;
    channels.r.assign(static_cast<std::size_t>(padded), far_away);
    channels.g.assign(static_cast<std::size_t>(padded), far_away);
    channels.b.assign(static_cast<std::size_t>(padded), far_away);
    for (int i = 0; i < channels.count; ++i) {
        channels.r[static_cast<std::size_t>(i)] = palette.colors[i].r;
        channels.g[static_cast<std::size_t>(i)] = palette.colors[i].g;
        channels.b[static_cast<std::size_t>(i)] = palette.colors[i].b;
    }
    return channels;
}

int FindClosestIndex(DTPixel color, const DTPaletteChannels& channels) {
    int best_distance = 3 * 255 * 255 + 1;
    int best_index = 0;
    const int padded = static_cast<int>(channels.r.size());
    for (int start = 0; start < padded; start += search_group) {
        const int* red = &channels.r[static_cast<std::size_t>(start)];
        const int* green = &channels.g[static_cast<std::size_t>(start)];
        const int* blue = &channels.b[static_cast<std::size_t>(start)];
        int distances[search_group];
        for (int k = 0; k < search_group; ++k) {
            const int dr = color.r - red[k];
            const int dg = color.g - green[k];
            const int db = color.b - blue[k];
            distances[k] = dr * dr + dg * dg + db * db;
        }
        const int lowest = Lowest_Distance(distances);
        // Only a strictly smaller distance wins: on equal distances the
        // lowest index stays.
        if (lowest < best_distance) {
            best_distance = lowest;
            best_index = start + First_Position_Of(distances, lowest);
        }
    }
    return best_index;
}

DTPixel FindClosestColor(DTPixel color, const DTPalette& palette,
                         const DTPaletteChannels& channels) {
    return palette.count > 0 ? palette.colors[FindClosestIndex(color, channels)] : color;
}
