#pragma once
// The steps of fitting a palette on the hardware's colour grid (used by
// Grid_Refine.cpp). Pixels are gathered in small cells of the colour cube,
// and centres are kept in sixteenths of an 8-bit step, so that means keep
// their fractions while all arithmetic stays integer.

#include "core/DTImage.h"

#include <cstdint>
#include <vector>

struct Fine_Color {
    int r;
    int g;
    int b;
    bool operator==(const Fine_Color&) const = default;
};
constexpr int fine_scale = 16;
// The most colours a fit makes.
constexpr int max_fit_colors = 16;

// The pixels of one cell (4 x 4 x 4 colours): sample sums, count and mean.
// The squared error of a cell against a colour is its count times the
// squared distance of its mean, plus a spread within the cell that no
// palette changes.
struct Cell {
    std::int64_t red = 0;
    std::int64_t green = 0;
    std::int64_t blue = 0;
    std::int64_t count = 0;
    Fine_Color mean{};
};

// Where the centre of a cluster goes: to its mean, or to the grid colour
// nearest its mean.
enum class Centre_Rule { free, grid };

// Caps on the work of each step; a fit usually settles well before them.
constexpr int max_free_rounds = 16;
constexpr int max_grid_rounds = 32;
constexpr int max_search_passes = 2;
constexpr int max_search_rounds = 4;
constexpr int max_swaps = 4;

Fine_Color To_Fine(DTPixel color);
// A colour on the grid in sixteenths back to 8 bits.
DTPixel From_Fine(const Fine_Color& color);

// The cells that hold pixels, in order of their first pixel.
std::vector<Cell> Color_Cells(const std::vector<DTPixel>& pixels);

// Starting centres from splitting the colour space: the box whose cells
// spread most along one axis is cut there at its mean, until there are
// max_colors boxes or none can be cut.
std::vector<Fine_Color> Split_Centres(const std::vector<Cell>& cells, int max_colors);

// Lloyd rounds until the centres stay where they are, at most max_rounds.
// Clusters that drew no cell, and centres that land on one taken already,
// are dropped; while there is room the worst-fitting cell seeds a new
// centre, so that no entry idles. The first `locked` centres (distinct grid
// colours) are kept: they stay first and where they are, used or not.
std::vector<Fine_Color> Lloyd(const std::vector<Cell>& cells, std::vector<Fine_Color> centres,
                              int max_colors, Centre_Rule rule, int max_rounds, int locked = 0);

// The grid colours nearest the free centres, repeats dropped.
std::vector<Fine_Color> Snap_To_Grid(const std::vector<Fine_Color>& centres);

// The summed squared error (in sixteenths squared) of the cells' means
// against their nearest palette colours.
std::int64_t Fit_Error(const std::vector<Cell>& cells, const std::vector<Fine_Color>& palette);

// Moves single entries one grid level at a time (along a channel or the grey
// axis) while that lowers the error: Lloyd only follows the means, which on
// the grid often stall a step short of a better fit. Says whether any moved.
// The first `locked` entries never move.
bool Improve_By_Moves(const std::vector<Cell>& cells, std::vector<Fine_Color>* palette,
                      int locked = 0);

// Gives the least useful entry to the worst-fitting cell and settles the
// palette again, for as long as that lowers the error.
// The first `locked` entries are never given away.
std::vector<Fine_Color> Improve_By_Swaps(const std::vector<Cell>& cells,
                                         std::vector<Fine_Color> palette, int max_colors,
                                         int locked = 0);
