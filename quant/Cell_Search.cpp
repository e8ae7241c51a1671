#include "quant/Cell_Search.h"

#include <algorithm>

namespace {

constexpr int cell_side = 32;
constexpr int cells_a_side = 256 / cell_side;

// Whether colour j is nearer than colour i, or as near and listed first, at
// every point of the cell whose runs of levels are k: the difference of their
// costs in a channel only grows or only falls along the channel, so its least
// over a run lies at one end of it, and the least of the sum over the cell is
// the sum of the channels' least.
bool Beaten_Everywhere(const Cell_Search& search, const std::vector<std::array<int, 3>>& colors,
                       std::size_t i, std::size_t j, const int (&k)[3]) {
    if (i == j) {
        return false;
    }
    int least = 0;
    for (int c = 0; c < 3; ++c) {
        const int* cost = search.cost[static_cast<std::size_t>(c)].data() + 255;
        const int low = k[c] * cell_side;
        const int high = low + cell_side - 1;
        least += std::min(cost[low - colors[i][c]] - cost[low - colors[j][c]],
                          cost[high - colors[i][c]] - cost[high - colors[j][c]]);
    }
    return least > 0 || (least == 0 && j < i);
}

} // namespace

void Make_Cell_Search(const std::vector<std::array<int, 3>>& colors, Channel_Cost kind,
                      const std::array<int, 3>& weights, Cell_Search* search) {
    search->complements.clear();
    for (const std::array<int, 3>& color : colors) {
        search->complements.push_back({static_cast<std::uint32_t>(255 - color[0]),
                                       static_cast<std::uint32_t>(255 - color[1]),
                                       static_cast<std::uint32_t>(255 - color[2])});
    }
    for (int c = 0; c < 3; ++c) {
        for (int d = -255; d <= 255; ++d) {
            search->cost[c][static_cast<std::size_t>(255 + d)] =
                kind == Channel_Cost::squared ? d * d : weights[c] * std::abs(d);
        }
    }
    const std::size_t count = colors.size();
    // The least and greatest cost of each colour's channel over each run of
    // a cell's levels.
    std::vector<std::array<std::array<int, cells_a_side>, 3>> least(count), most(count);
    for (std::size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) {
            const int value = colors[i][c];
            for (int k = 0; k < cells_a_side; ++k) {
                const int low = k * cell_side;
                const int high = low + cell_side - 1;
                const int nearest = std::clamp(value, low, high);
                const int farthest = value - low > high - value ? low : high;
                least[i][c][k] = search->cost[c][static_cast<std::size_t>(255 + nearest - value)];
                most[i][c][k] = search->cost[c][static_cast<std::size_t>(255 + farthest - value)];
            }
        }
    }
    for (int cell = 0; cell < cells_a_side * cells_a_side * cells_a_side; ++cell) {
        const int k[3] = {cell >> 6, (cell >> 3) & 7, cell & 7};
        // The least worst-case cost in the cell, and the first colour with it.
        int bound = 1 << 30;
        std::size_t bounding = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const int worst = most[i][0][k[0]] + most[i][1][k[1]] + most[i][2][k[2]];
            if (worst < bound) {
                bound = worst;
                bounding = i;
            }
        }
        std::uint64_t candidates = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (least[i][0][k[0]] + least[i][1][k[1]] + least[i][2][k[2]] <= bound &&
                !Beaten_Everywhere(*search, colors, i, bounding, k)) {
                candidates |= std::uint64_t{1} << i;
            }
        }
        search->cells[static_cast<std::size_t>(cell)] = candidates;
    }
}
