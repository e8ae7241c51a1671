#pragma once
// Palettes on the hardware's colour grid. The hardware shows every channel as
// one of 32 levels (0, 8, ..., 248), so a palette is fitted by k-means whose
// centres are kept on those levels and whose distances are taken to the
// colours that are shown, and images are mapped onto it against the same
// colours. Every result is worked out in integers, loops run in a fixed
// order and ties go to the lowest index, so the results are the same on
// every run and machine.

#include "core/DTImage.h"

#include <cstdint>
#include <vector>

constexpr int grid_levels = 32;
constexpr int grid_step = 8;
constexpr int grid_top = grid_step * (grid_levels - 1); // 248
// The level nearest an 8-bit value; a value half-way goes up, and values
// above the top level go to it.
int Nearest_Level(int value);
DTPixel Nearest_Grid_Color(DTPixel color);
bool On_Grid(DTPixel color);

// The squared RGB distance of a colour from a palette colour.
int Squared_Distance(DTPixel color, DTPixel palette_color);

// The index of the palette colour nearest the colour; the lowest index wins
// a tie. The palette must not be empty.
int Nearest_Index(const std::vector<DTPixel>& palette, DTPixel color);

// A palette of at most max_colors distinct grid colours (1 to 16; other
// numbers are taken as the nearest of those) fitted to
// the pixels, which must not be empty, for the least squared error of the
// pixels against their nearest palette colours. The fit is started twice,
// from the start colours (at most max_colors of them, repeats dropped) and
// from a split of the colour space, and the better result is kept. When the
// pixels' nearest grid colours are no more than max_colors, they are the
// palette, in order of first appearance: no palette can do better.
std::vector<DTPixel> Refine_Grid_Palette(const std::vector<DTPixel>& pixels,
                                         const std::vector<DTPixel>& start, int max_colors);

// The same fit around kept colours: each is put on the grid, and the first
// max_colors distinct ones are the palette's first entries, in their order,
// whether any pixel is near them or not; the fit places the others around
// them. With no pixels the palette is the kept colours alone.
std::vector<DTPixel> Refine_Grid_Palette(const std::vector<DTPixel>& pixels,
                                         const std::vector<DTPixel>& start, int max_colors,
                                         const std::vector<DTPixel>& kept);

// The kept colours each put on the grid, the first max_colors distinct ones
// in their order: the first entries of a palette fitted around them.
std::vector<DTPixel> Kept_Grid_Colors(const std::vector<DTPixel>& kept, int max_colors);

// Each pixel's nearest palette index.
std::vector<std::uint8_t> Map_Nearest(const std::vector<DTPixel>& pixels,
                                      const std::vector<DTPixel>& palette);
