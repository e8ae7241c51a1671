// zembrix-blue-noise OUTPUT: writes the blue-noise threshold mask (the ranks
// of quant/Blue_Noise.cpp) by void and cluster on a 64x64 torus; run by the
// build. Each step puts the next point in the largest void, where a Gaussian
// of its neighbours weighs least, so that the points of every rank below any
// threshold lie evenly apart: a pattern without visible texture or worms.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int side = 64;
constexpr int cells = side * side;
// Ulichney's sigma: wide enough to see a void, narrow enough to find it.
constexpr double sigma = 1.5;

struct Pattern {
    std::vector<bool> set = std::vector<bool>(cells, false);
    // The Gaussian weight of the set points at each cell, over the torus.
    std::vector<double> energy = std::vector<double>(cells, 0.0);
};

// Gaussian weight by toroidal offset.
std::vector<double> Weights() {
    std::vector<double> weights(cells);
    for (int dy = 0; dy < side; ++dy) {
        for (int dx = 0; dx < side; ++dx) {
            const int wx = std::min(dx, side - dx);
            const int wy = std::min(dy, side - dy);
            weights[dy * side + dx] = std::exp(-(wx * wx + wy * wy) / (2.0 * sigma * sigma));
        }
    }
    return weights;
}

void Toggle(Pattern* pattern, const std::vector<double>& weights, int cell, bool on) {
    pattern->set[cell] = on;
    const int cx = cell % side;
    const int cy = cell / side;
    const double sign = on ? 1.0 : -1.0;
    for (int y = 0; y < side; ++y) {
        const int dy = (y - cy + side) % side;
        for (int x = 0; x < side; ++x) {
            const int dx = (x - cx + side) % side;
            pattern->energy[y * side + x] += sign * weights[dy * side + dx];
        }
    }
}

// The set point of most energy (tightest cluster) or the free cell of least
// (largest void); the first such cell on a tie.
int Extreme(const Pattern& pattern, bool tightest_cluster) {
    int best = -1;
    for (int cell = 0; cell < cells; ++cell) {
        if (pattern.set[cell] != tightest_cluster) {
            continue;
        }
        if (best < 0 || (tightest_cluster ? pattern.energy[cell] > pattern.energy[best]
                                          : pattern.energy[cell] < pattern.energy[best])) {
            best = cell;
        }
    }
    return best;
}

std::vector<int> Ranks() {
    const std::vector<double> weights = Weights();
    // A fixed pseudo-random tenth of the cells to start from (a linear
    // congruential generator, so that every build makes the same mask).
    Pattern initial;
    std::uint32_t state = 20261208;
    int ones = 0;
    while (ones < cells / 10) {
        state = state * 1664525u + 1013904223u;
        const int cell = static_cast<int>((state >> 8) % cells);
        if (!initial.set[cell]) {
            Toggle(&initial, weights, cell, true);
            ++ones;
        }
    }
    // Even out the start: move the tightest cluster's point into the largest
    // void until the point would come straight back.
    for (int moves = 0; moves < cells; ++moves) {
        const int cluster = Extreme(initial, true);
        Toggle(&initial, weights, cluster, false);
        const int void_cell = Extreme(initial, false);
        Toggle(&initial, weights, void_cell, true);
        if (void_cell == cluster) {
            break;
        }
    }
    std::vector<int> ranks(cells, -1);
    // The start's points ranked downwards by taking out tightest clusters...
    Pattern taking = initial;
    for (int rank = ones - 1; rank >= 0; --rank) {
        const int cluster = Extreme(taking, true);
        Toggle(&taking, weights, cluster, false);
        ranks[cluster] = rank;
    }
    // ...and the rest upwards by filling largest voids.
    Pattern filling = initial;
    for (int rank = ones; rank < cells; ++rank) {
        const int void_cell = Extreme(filling, false);
        Toggle(&filling, weights, void_cell, true);
        ranks[void_cell] = rank;
    }
    return ranks;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: zembrix-blue-noise OUTPUT\n", stderr);
        return 2;
    }
    std::string text;
    const std::vector<int> ranks = Ranks();
    for (int cell = 0; cell < cells; ++cell) {
        text += std::to_string(ranks[cell]);
        text += cell % 16 == 15 ? ",\n" : ", ";
    }
    // Written beside the output and renamed, so that a failed run leaves no
    // half-written file for the build to take as done.
    const std::string output = argv[1];
    const std::string partial = output + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "w");
    bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = file && std::fclose(file) == 0 && written;
    if (!written || std::rename(partial.c_str(), output.c_str()) != 0) {
        std::perror(("zembrix-blue-noise: " + output).c_str());
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
