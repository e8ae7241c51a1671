#include "quant/Grid_Fit.h"

#include "quant/Grid_Refine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace {

constexpr int cell_shift = 2;
constexpr int cell_side = 256 >> cell_shift;
constexpr int fine_grid_step = grid_step * fine_scale;

struct Cluster {
    std::int64_t red = 0;
    std::int64_t green = 0;
    std::int64_t blue = 0;
    std::int64_t count = 0;
};

// Every cell's nearest centre, the clusters this makes, and the cell that
// fits worst (the first of them on a tie).
struct Assignment {
    std::vector<Cluster> clusters;
    std::size_t worst = 0;
    int worst_distance = -1;
};

// Each cell's nearest and next nearest palette entries and their distances
// (unweighted), and how far from an entry the cell's mean may lie for a
// one-level step of that entry to reach it.
struct Fit {
    std::vector<int> owner;
    std::vector<int> nearest;
    std::vector<int> runner_up;
    std::vector<int> second;
    std::vector<int> reach;
};

// A box of cells for the variance split.
struct Box {
    std::vector<int> members;
    std::int64_t spread = 0;
    int axis = 0;
    Fine_Color mean{};
};

// Steps of one grid level that a palette entry may take.
constexpr std::array<std::array<int, 3>, 8> grid_moves{{
    {1, 0, 0},
    {-1, 0, 0},
    {0, 1, 0},
    {0, -1, 0},
    {0, 0, 1},
    {0, 0, -1},
    {1, 1, 1},
    {-1, -1, -1},
}};
// The longest of those steps (along the grey axis), rounded up.
constexpr double longest_move = 222.0; // 128 * sqrt(3) = 221.7

bool Contains(const std::vector<Fine_Color>& colors, const Fine_Color& color) {
    return std::find(colors.begin(), colors.end(), color) != colors.end();
}

int Distance(const Fine_Color& a, const Fine_Color& b) {
    const int dr = a.r - b.r;
    const int dg = a.g - b.g;
    const int db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// The centres laid out channel by channel, so that the distances of one
// point to all of them are worked out side by side. Unused places hold a
// colour far beyond the cube, which no point is near.
struct Centre_Table {
    static constexpr int far_away = 20000;
    alignas(16) std::array<int, max_fit_colors> r;
    alignas(16) std::array<int, max_fit_colors> g;
    alignas(16) std::array<int, max_fit_colors> b;
    int count = 0;

    explicit Centre_Table(const std::vector<Fine_Color>& centres) {
        r.fill(far_away);
        g.fill(far_away);
        b.fill(far_away);
        count = static_cast<int>(centres.size());
        for (int i = 0; i < count; ++i) {
            r[i] = centres[i].r;
            g[i] = centres[i].g;
            b[i] = centres[i].b;
        }
    }

    std::array<int, max_fit_colors> Distances(const Fine_Color& point) const {
        std::array<int, max_fit_colors> distances;
        for (int i = 0; i < max_fit_colors; ++i) {
            const int dr = point.r - r[i];
            const int dg = point.g - g[i];
            const int db = point.b - b[i];
            distances[i] = dr * dr + dg * dg + db * db;
        }
        return distances;
    }
};

// The lowest index of the smallest distance.
int Nearest_Of(const std::array<int, max_fit_colors>& distances, int count) {
    int best = 0;
    for (int i = 1; i < count; ++i) {
        if (distances[i] < distances[best]) {
            best = i;
        }
    }
    return best;
}

// The rounded mean of the samples summed up, in sixteenths.
int Fine_Mean(std::int64_t sum, std::int64_t count) {
    return static_cast<int>((2 * fine_scale * sum + count) / (2 * count));
}

// The level nearest the mean, rounded as Nearest_Level rounds: the grid value
// that leaves the samples the least squared error.
int Mean_Level(std::int64_t sum, std::int64_t count) {
    const std::int64_t level = (2 * sum + grid_step * count) / (2 * grid_step * count);
    return static_cast<int>(std::min<std::int64_t>(level, grid_levels - 1) * grid_step);
}

Fine_Color Centre_Of(const Cluster& cluster, Centre_Rule rule) {
    if (rule == Centre_Rule::free) {
        return {Fine_Mean(cluster.red, cluster.count), Fine_Mean(cluster.green, cluster.count),
                Fine_Mean(cluster.blue, cluster.count)};
    }
    return {Mean_Level(cluster.red, cluster.count) * fine_scale,
            Mean_Level(cluster.green, cluster.count) * fine_scale,
            Mean_Level(cluster.blue, cluster.count) * fine_scale};
}

Fine_Color Seed_Of(const Cell& cell, Centre_Rule rule) {
    return Centre_Of({cell.red, cell.green, cell.blue, cell.count}, rule);
}

Assignment Assign(const std::vector<Cell>& cells, const std::vector<Fine_Color>& centres) {
    Assignment assignment;
    assignment.clusters.resize(centres.size());
    const Centre_Table table(centres);
    for (std::size_t n = 0; n < cells.size(); ++n) {
        const Cell& cell = cells[n];
        const std::array<int, max_fit_colors> distances = table.Distances(cell.mean);
        const int index = Nearest_Of(distances, table.count);
        Cluster& cluster = assignment.clusters[index];
        cluster.red += cell.red;
        cluster.green += cell.green;
        cluster.blue += cell.blue;
        cluster.count += cell.count;
        const int distance = distances[index];
        if (distance > assignment.worst_distance) {
            assignment.worst_distance = distance;
            assignment.worst = n;
        }
    }
    return assignment;
}

// The squared distance from an entry within which a one-level step of it
// may come nearer to the cell than its nearest entry, rounded up.
int Reach(int nearest) {
    const double radius = std::sqrt(static_cast<double>(nearest)) + longest_move;
    return static_cast<int>(radius * radius) + 1;
}

// Finds the cell's nearest and next nearest entries; the lowest index wins
// a tie for nearest.
void Place_Cell(const std::vector<Cell>& cells, const Centre_Table& table, std::size_t n,
                Fit* fit) {
    constexpr int beyond = 1 << 30;
    const std::array<int, max_fit_colors> distances = table.Distances(cells[n].mean);
    int best = beyond;
    int next_best = beyond;
    int owner = 0;
    int runner_up = 0;
    for (int i = 0; i < table.count; ++i) {
        const int d = distances[i];
        if (d < best) {
            next_best = best;
            runner_up = owner;
            best = d;
            owner = i;
        } else if (d < next_best) {
            next_best = d;
            runner_up = i;
        }
    }
    fit->owner[n] = owner;
    fit->nearest[n] = best;
    fit->runner_up[n] = runner_up;
    fit->second[n] = next_best;
    fit->reach[n] = Reach(best);
}

Fit Measure_Fit(const std::vector<Cell>& cells, const std::vector<Fine_Color>& palette) {
    Fit fit;
    fit.owner.resize(cells.size());
    fit.nearest.resize(cells.size());
    fit.runner_up.resize(cells.size());
    fit.second.resize(cells.size());
    fit.reach.resize(cells.size());
    const Centre_Table table(palette);
    for (std::size_t n = 0; n < cells.size(); ++n) {
        Place_Cell(cells, table, n, &fit);
    }
    return fit;
}

std::int64_t Error_Of(const std::vector<Cell>& cells, const Fit& fit) {
    std::int64_t error = 0;
    for (std::size_t n = 0; n < cells.size(); ++n) {
        error += cells[n].count * fit.nearest[n];
    }
    return error;
}

// Brings the fit up to date after entry `moved` has changed: only cells that
// had it as nearest or next nearest need a full search; for the others the
// entry can only have come nearer than one of the two or stayed out of them.
void Update_Fit(const std::vector<Cell>& cells, const std::vector<Fine_Color>& palette, int moved,
                Fit* fit) {
    const Centre_Table table(palette);
    for (std::size_t n = 0; n < cells.size(); ++n) {
        if (fit->owner[n] == moved || fit->runner_up[n] == moved) {
            Place_Cell(cells, table, n, fit);
            continue;
        }
        const int d = Distance(cells[n].mean, palette[moved]);
        if (d < fit->nearest[n] || (d == fit->nearest[n] && moved < fit->owner[n])) {
            fit->second[n] = fit->nearest[n];
            fit->runner_up[n] = fit->owner[n];
            fit->nearest[n] = d;
            fit->owner[n] = moved;
            fit->reach[n] = Reach(d);
        } else if (d < fit->second[n]) {
            fit->second[n] = d;
            fit->runner_up[n] = moved;
        }
    }
}

// The cells that a one-level step of entry `moving` can change: those it
// owns, and those whose mean lies within one step of the entry beyond their
// nearest distance. The bound is taken generously, so no such cell is missed.
std::vector<int> Cells_Within_Reach(const std::vector<Cell>& cells, const Fit& fit, int moving,
                                    const Fine_Color& from) {
    std::vector<int> reach;
    for (std::size_t n = 0; n < cells.size(); ++n) {
        if (fit.owner[n] == moving) {
            reach.push_back(static_cast<int>(n));
            continue;
        }
        if (Distance(cells[n].mean, from) < fit.reach[n]) {
            reach.push_back(static_cast<int>(n));
        }
    }
    return reach;
}

// How much the error changes when entry `moving` goes to `to`.
std::int64_t Move_Change(const std::vector<Cell>& cells, const Fit& fit,
                         const std::vector<int>& reach, int moving, const Fine_Color& to) {
    std::int64_t change = 0;
    for (const int n : reach) {
        const int others = fit.owner[n] == moving ? fit.second[n] : fit.nearest[n];
        const int there = Distance(cells[n].mean, to);
        change += cells[n].count * (std::min(others, there) - fit.nearest[n]);
    }
    return change;
}

bool In_Grid(const Fine_Color& color) {
    constexpr int top = grid_top * fine_scale;
    return color.r >= 0 && color.r <= top && color.g >= 0 && color.g <= top && color.b >= 0 &&
           color.b <= top;
}

// Tries the steps of one entry in order and takes the first that lowers the
// error.
bool Move_Entry(const std::vector<Cell>& cells, const Fit& fit, int moving,
                std::vector<Fine_Color>* palette) {
    const Fine_Color from = (*palette)[moving];
    const std::vector<int> reach = Cells_Within_Reach(cells, fit, moving, from);
    for (const std::array<int, 3>& move : grid_moves) {
        const Fine_Color to{from.r + move[0] * fine_grid_step, from.g + move[1] * fine_grid_step,
                            from.b + move[2] * fine_grid_step};
        if (In_Grid(to) && !Contains(*palette, to) &&
            Move_Change(cells, fit, reach, moving, to) < 0) {
            (*palette)[moving] = to;
            return true;
        }
    }
    return false;
}

int Channel(const Fine_Color& color, int axis) {
    return axis == 0 ? color.r : axis == 1 ? color.g : color.b;
}

// The box's mean, its widest axis and the squared spread of its cell means
// along that axis (times the pixel count, to stay integer).
Box Measure_Box(const std::vector<Cell>& cells, std::vector<int> members) {
    Box box;
    box.members = std::move(members);
    std::int64_t count = 0;
    std::array<std::int64_t, 3> sum{};
    std::array<std::int64_t, 3> square{};
    for (const int n : box.members) {
        const Cell& cell = cells[n];
        count += cell.count;
        for (int axis = 0; axis < 3; ++axis) {
            const std::int64_t value = Channel(cell.mean, axis);
            sum[axis] += cell.count * value;
            square[axis] += cell.count * value * value;
        }
    }
    box.mean = {static_cast<int>((2 * sum[0] + count) / (2 * count)),
                static_cast<int>((2 * sum[1] + count) / (2 * count)),
                static_cast<int>((2 * sum[2] + count) / (2 * count))};
    for (int axis = 0; axis < 3; ++axis) {
        const std::int64_t spread = count * square[axis] - sum[axis] * sum[axis];
        if (spread > box.spread) {
            box.spread = spread;
            box.axis = axis;
        }
    }
    return box;
}

} // namespace

Fine_Color To_Fine(DTPixel color) {
    return {color.r * fine_scale, color.g * fine_scale, color.b * fine_scale};
}

DTPixel From_Fine(const Fine_Color& color) {
    return {static_cast<std::uint8_t>(color.r / fine_scale),
            static_cast<std::uint8_t>(color.g / fine_scale),
            static_cast<std::uint8_t>(color.b / fine_scale)};
}

std::vector<Cell> Color_Cells(const std::vector<DTPixel>& pixels) {
    std::vector<int> cell_of(cell_side * cell_side * cell_side, -1);
    std::vector<Cell> cells;
    for (const DTPixel& pixel : pixels) {
        const int key =
            ((pixel.r >> cell_shift) * cell_side + (pixel.g >> cell_shift)) * cell_side +
            (pixel.b >> cell_shift);
        if (cell_of[key] < 0) {
            cell_of[key] = static_cast<int>(cells.size());
            cells.emplace_back();
        }
        Cell& cell = cells[cell_of[key]];
        cell.red += pixel.r;
        cell.green += pixel.g;
        cell.blue += pixel.b;
        ++cell.count;
    }
    for (Cell& cell : cells) {
        cell.mean = Seed_Of(cell, Centre_Rule::free);
    }
    return cells;
}

std::vector<Fine_Color> Split_Centres(const std::vector<Cell>& cells, int max_colors) {
    std::vector<int> all(cells.size());
    for (std::size_t n = 0; n < cells.size(); ++n) {
        all[n] = static_cast<int>(n);
    }
    std::vector<Box> boxes{Measure_Box(cells, std::move(all))};
    while (static_cast<int>(boxes.size()) < max_colors) {
        std::size_t widest = 0;
        for (std::size_t i = 1; i < boxes.size(); ++i) {
            if (boxes[i].spread > boxes[widest].spread) {
                widest = i;
            }
        }
        const Box& box = boxes[widest];
        if (box.spread == 0) {
            break;
        }
        const int cut = Channel(box.mean, box.axis);
        std::vector<int> low;
        std::vector<int> high;
        for (const int n : box.members) {
            (Channel(cells[n].mean, box.axis) <= cut ? low : high).push_back(n);
        }
        if (low.empty() || high.empty()) {
            break;
        }
        boxes[widest] = Measure_Box(cells, std::move(low));
        boxes.push_back(Measure_Box(cells, std::move(high)));
    }
    std::vector<Fine_Color> centres;
    for (const Box& box : boxes) {
        centres.push_back(box.mean);
    }
    return centres;
}

std::vector<Fine_Color> Lloyd(const std::vector<Cell>& cells, std::vector<Fine_Color> centres,
                              int max_colors, Centre_Rule rule, int max_rounds, int locked) {
    for (int round = 0; round < max_rounds; ++round) {
        const Assignment assignment = Assign(cells, centres);
        std::vector<Fine_Color> next(centres.begin(), centres.begin() + locked);
        for (std::size_t i = locked; i < assignment.clusters.size(); ++i) {
            const Cluster& cluster = assignment.clusters[i];
            if (cluster.count > 0 && !Contains(next, Centre_Of(cluster, rule))) {
                next.push_back(Centre_Of(cluster, rule));
            }
        }
        const Fine_Color seed = Seed_Of(cells[assignment.worst], rule);
        if (static_cast<int>(next.size()) < max_colors && !Contains(next, seed)) {
            next.push_back(seed);
        }
        if (next == centres) {
            break;
        }
        centres = std::move(next);
    }
    return centres;
}

std::vector<Fine_Color> Snap_To_Grid(const std::vector<Fine_Color>& centres) {
    std::vector<Fine_Color> palette;
    for (const Fine_Color& centre : centres) {
        const Fine_Color shown =
            Centre_Of({centre.r, centre.g, centre.b, fine_scale}, Centre_Rule::grid);
        if (!Contains(palette, shown)) {
            palette.push_back(shown);
        }
    }
    return palette;
}

std::int64_t Fit_Error(const std::vector<Cell>& cells, const std::vector<Fine_Color>& palette) {
    return Error_Of(cells, Measure_Fit(cells, palette));
}

bool Improve_By_Moves(const std::vector<Cell>& cells, std::vector<Fine_Color>* palette,
                      int locked) {
    bool improved = false;
    Fit fit = Measure_Fit(cells, *palette);
    for (int pass = 0; pass < max_search_passes; ++pass) {
        bool moved = false;
        for (std::size_t i = locked; i < palette->size(); ++i) {
            if (Move_Entry(cells, fit, static_cast<int>(i), palette)) {
                Update_Fit(cells, *palette, static_cast<int>(i), &fit);
                moved = true;
            }
        }
        improved = improved || moved;
        if (!moved) {
            break;
        }
    }
    return improved;
}

std::vector<Fine_Color> Improve_By_Swaps(const std::vector<Cell>& cells,
                                         std::vector<Fine_Color> palette, int max_colors,
                                         int locked) {
    Fit fit = Measure_Fit(cells, palette);
    std::int64_t error = Error_Of(cells, fit);
    const std::size_t first_free = static_cast<std::size_t>(std::max(locked, 0));
    for (int swap = 0; swap < max_swaps && palette.size() > std::max<std::size_t>(first_free, 1);
         ++swap) {
        std::vector<std::int64_t> loss(palette.size());
        std::size_t worst = 0;
        for (std::size_t n = 0; n < cells.size(); ++n) {
            loss[fit.owner[n]] += cells[n].count * (fit.second[n] - fit.nearest[n]);
            if (cells[n].count * fit.nearest[n] > cells[worst].count * fit.nearest[worst]) {
                worst = n;
            }
        }
        const std::size_t least = static_cast<std::size_t>(
            std::min_element(loss.begin() + first_free, loss.end()) - loss.begin());
        const Fine_Color seed = Seed_Of(cells[worst], Centre_Rule::grid);
        if (Contains(palette, seed)) {
            break;
        }
        std::vector<Fine_Color> candidate = palette;
        candidate[least] = seed;
        candidate = Lloyd(cells, std::move(candidate), max_colors, Centre_Rule::grid,
                          max_grid_rounds, locked);
        Improve_By_Moves(cells, &candidate, locked);
        Fit candidate_fit = Measure_Fit(cells, candidate);
        const std::int64_t candidate_error = Error_Of(cells, candidate_fit);
        if (candidate_error >= error) {
            break;
        }
        palette = std::move(candidate);
        fit = std::move(candidate_fit);
        error = candidate_error;
    }
    return palette;
}
