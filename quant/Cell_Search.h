#pragma once
// The nearest of a few colours, for many pixels in turn. The colour cube is
// cut into 8 x 8 x 8 cells of 32 levels a side; for each cell, the colours
// that can be nearest anywhere in it are worked out once: those whose least
// distance to the cell is no more than the smallest greatest distance of any
// colour. Every other colour is farther, at every point of the cell, than
// that one. A pixel then weighs only its cell's few colours, in their order,
// and gets exactly what weighing all of them gives, the first of equal
// distances included.
//
// The distance is a sum over the channels of what each channel's difference
// costs, a cost that grows with the difference (its square, or a weight
// times it).

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

struct Cell_Search {
    // Up to 64 colours, each channel c kept as 255 - c.
    std::vector<std::array<std::uint32_t, 3>> complements;
    // What a difference of -255..255 in each channel adds to the distance,
    // at 255 + the difference.
    std::array<std::array<int, 511>, 3> cost;
    // The colours that can be nearest in each cell, bit i for colour i.
    std::array<std::uint64_t, 512> cells;
};

constexpr std::size_t max_cell_search_colors = 64;

enum class Channel_Cost { squared, weighted };

// A search over colours (at most max_cell_search_colors, channels 0..255):
// squared differences, or each channel's difference times its weight.
void Make_Cell_Search(const std::vector<std::array<int, 3>>& colors, Channel_Cost kind,
                      const std::array<int, 3>& weights, Cell_Search* search);

// The index of the nearest colour, the lowest on equal distances; the
// channels lie in 0..255.
inline int Nearest_In_Cells(const Cell_Search& search, int r, int g, int b) {
    std::uint64_t candidates =
        search.cells[static_cast<std::size_t>((r >> 5) << 6 | (g >> 5) << 3 | (b >> 5))];
    // cost[c][255 + r - colour] = red[255 - colour]
    const int* red = search.cost[0].data() + r;
    const int* green = search.cost[1].data() + g;
    const int* blue = search.cost[2].data() + b;
    // Distance and index in one number, so that the smallest wins without a
    // branch: the smaller distance, and on equal distances the lower index.
    int best = 1 << 30;
    do {
        const int i = __builtin_ctzll(candidates);
        const std::array<std::uint32_t, 3>& c = search.complements[static_cast<std::size_t>(i)];
        const int distance = red[c[0]] + green[c[1]] + blue[c[2]];
        best = std::min(best, distance << 6 | i);
        candidates &= candidates - 1;
    } while (candidates != 0);
    return best & 63;
}
