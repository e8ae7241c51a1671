#include "quant/Grid_Refine.h"

#include "quant/Grid_Fit.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

bool Contains(const std::vector<DTPixel>& colors, DTPixel color) {
    return std::find(colors.begin(), colors.end(), color) != colors.end();
}

bool Contains(const std::vector<Fine_Color>& colors, const Fine_Color& color) {
    return std::find(colors.begin(), colors.end(), color) != colors.end();
}

std::vector<DTPixel> Distinct_Grid_Colors(const std::vector<DTPixel>& colors, int max_colors) {
    std::vector<DTPixel> distinct;
    for (const DTPixel& color : colors) {
        const DTPixel shown = Nearest_Grid_Color(color);
        if (!Contains(distinct, shown)) {
            if (static_cast<int>(distinct.size()) == max_colors) {
                return {};
            }
            distinct.push_back(shown);
        }
    }
    return distinct;
}

// One complete fit from one set of starting centres, of which the first
// `locked` stay: k-means with free centres, carried onto the grid, then
// grid-bound rounds alternating with single steps, then swaps.
std::vector<Fine_Color> Fit_From(const std::vector<Cell>& cells, std::vector<Fine_Color> centres,
                                 int max_colors, int locked) {
    centres =
        Lloyd(cells, std::move(centres), max_colors, Centre_Rule::free, max_free_rounds, locked);
    std::vector<Fine_Color> palette = Snap_To_Grid(centres);
    for (int round = 0; round < max_search_rounds; ++round) {
        palette = Lloyd(cells, std::move(palette), max_colors, Centre_Rule::grid, max_grid_rounds,
                        locked);
        if (!Improve_By_Moves(cells, &palette, locked)) {
            break;
        }
    }
    return Improve_By_Swaps(cells, std::move(palette), max_colors, locked);
}

// The kept colours first, then those of `more` not among them, up to max_colors.
std::vector<Fine_Color> Kept_Then(const std::vector<Fine_Color>& kept,
                                  const std::vector<Fine_Color>& more, int max_colors) {
    std::vector<Fine_Color> centres = kept;
    for (const Fine_Color& color : more) {
        if (static_cast<int>(centres.size()) < max_colors && !Contains(centres, color)) {
            centres.push_back(color);
        }
    }
    return centres;
}

} // namespace

int Nearest_Level(int value) {
    const int level = (std::max(value, 0) + grid_step / 2) / grid_step;
    return std::min(level, grid_levels - 1) * grid_step;
}

DTPixel Nearest_Grid_Color(DTPixel color) {
    return {static_cast<std::uint8_t>(Nearest_Level(color.r)),
            static_cast<std::uint8_t>(Nearest_Level(color.g)),
            static_cast<std::uint8_t>(Nearest_Level(color.b))};
}

bool On_Grid(DTPixel color) {
    return color.r % grid_step == 0 && color.g % grid_step == 0 && color.b % grid_step == 0 &&
           color.r <= grid_top && color.g <= grid_top && color.b <= grid_top;
}

int Squared_Distance(DTPixel color, DTPixel palette_color) {
    const int dr = color.r - palette_color.r;
    const int dg = color.g - palette_color.g;
    const int db = color.b - palette_color.b;
    return dr * dr + dg * dg + db * db;
}

int Nearest_Index(const std::vector<DTPixel>& palette, DTPixel color) {
    int best = 0;
    int best_distance = Squared_Distance(color, palette[0]);
    for (std::size_t i = 1; i < palette.size(); ++i) {
        const int distance = Squared_Distance(color, palette[i]);
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

std::vector<DTPixel> Kept_Grid_Colors(const std::vector<DTPixel>& kept, int max_colors) {
    std::vector<DTPixel> kept_colors;
    for (const DTPixel& color : kept) {
        const DTPixel shown = Nearest_Grid_Color(color);
        if (static_cast<int>(kept_colors.size()) < max_colors && !Contains(kept_colors, shown)) {
            kept_colors.push_back(shown);
        }
    }
    return kept_colors;
}

std::vector<DTPixel> Refine_Grid_Palette(const std::vector<DTPixel>& pixels,
                                         const std::vector<DTPixel>& start, int max_colors) {
    return Refine_Grid_Palette(pixels, start, max_colors, {});
}

std::vector<DTPixel> Refine_Grid_Palette(const std::vector<DTPixel>& pixels,
                                         const std::vector<DTPixel>& start, int max_colors,
                                         const std::vector<DTPixel>& kept) {
    max_colors = std::clamp(max_colors, 1, max_fit_colors);
    const std::vector<DTPixel> kept_colors = Kept_Grid_Colors(kept, max_colors);
    const int locked = static_cast<int>(kept_colors.size());
    if (locked == max_colors || pixels.empty()) {
        return kept_colors;
    }
    // Room for every colour the pixels show: no palette can do better.
    std::vector<DTPixel> exact = Distinct_Grid_Colors(pixels, max_colors);
    if (!exact.empty()) {
        std::vector<DTPixel> palette = kept_colors;
        for (const DTPixel& color : exact) {
            if (!Contains(palette, color)) {
                palette.push_back(color);
            }
        }
        if (static_cast<int>(palette.size()) <= max_colors) {
            return palette;
        }
    }
    const std::vector<Cell> cells = Color_Cells(pixels);
    std::vector<Fine_Color> fixed;
    for (const DTPixel& color : kept_colors) {
        fixed.push_back(To_Fine(color));
    }
    std::vector<Fine_Color> given;
    for (const DTPixel& color : start) {
        given.push_back(To_Fine(color));
    }
    given = Kept_Then(fixed, given, max_colors);
    if (static_cast<int>(given.size()) == locked) {
        given = Kept_Then(fixed, {To_Fine(pixels[0])}, max_colors);
    }
    // Two starts, since k-means keeps to the neighbourhood it starts in: the
    // given colours and a split of the colour space. The lower error wins;
    // on a tie the given start.
    const std::vector<Fine_Color> from_given = Fit_From(cells, given, max_colors, locked);
    std::vector<Fine_Color> split = Split_Centres(cells, max_colors - locked);
    if (locked > 0) {
        split = Kept_Then(fixed, split, max_colors);
    }
    const std::vector<Fine_Color> from_split =
        Fit_From(cells, std::move(split), max_colors, locked);
    const std::vector<Fine_Color>& best =
        Fit_Error(cells, from_split) < Fit_Error(cells, from_given) ? from_split : from_given;
    std::vector<DTPixel> palette;
    for (const Fine_Color& color : best) {
        palette.push_back(From_Fine(color));
    }
    return palette;
}

std::vector<std::uint8_t> Map_Nearest(const std::vector<DTPixel>& pixels,
                                      const std::vector<DTPixel>& palette) {
    std::vector<std::uint8_t> indices(pixels.size());
    for (std::size_t n = 0; n < pixels.size(); ++n) {
        indices[n] = static_cast<std::uint8_t>(Nearest_Index(palette, pixels[n]));
    }
    return indices;
}
