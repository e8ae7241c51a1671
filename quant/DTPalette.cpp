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

namespace {

constexpr int group_size = 16;
// Farther from any colour than the largest real distance, 3 x 255 x 255.
constexpr int far_away = 1000;

} // namespace

DTPaletteChannels SplitPaletteChannels(const DTPalette& palette) {
    DTPaletteChannels channels;
    channels.count = std::max(palette.count, 0);
    const int padded = (channels.count + group_size - 1) / group_size * group_size;
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

// A group's distances are all taken before its lowest is looked for, which
// the compiler turns into vector code with no branch per entry.
int FindClosestIndex(DTPixel color, const DTPaletteChannels& channels) {
    int best_distance = 3 * 255 * 255 + 1;
    int best_index = 0;
    const int padded = static_cast<int>(channels.r.size());
    for (int start = 0; start < padded; start += group_size) {
        const int* red = &channels.r[static_cast<std::size_t>(start)];
        const int* green = &channels.g[static_cast<std::size_t>(start)];
        const int* blue = &channels.b[static_cast<std::size_t>(start)];
        int distances[group_size];
        for (int k = 0; k < group_size; ++k) {
            const int dr = color.r - red[k];
            const int dg = color.g - green[k];
            const int db = color.b - blue[k];
            distances[k] = dr * dr + dg * dg + db * db;
        }
        int lowest = distances[0];
        for (int k = 1; k < group_size; ++k) {
            lowest = std::min(lowest, distances[k]);
        }
        // Only a strictly smaller distance wins: on equal distances the
        // lowest index stays.
        if (lowest < best_distance) {
            best_distance = lowest;
            int first = group_size - 1;
            for (int k = group_size - 2; k >= 0; --k) {
                first = distances[k] == lowest ? k : first;
            }
            best_index = start + first;
        }
    }
    return best_index;
}
