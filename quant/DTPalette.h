#pragma once
// A fixed list of colours and the search for the one nearest to a colour.

#include "core/DTImage.h"
#include "quant/Cell_Search.h"
#include "quant/Few_Colors.h"

#include <cstdint>
#include <vector>

// A view of colours that the caller owns.
struct DTPalette {
    std::int32_t count;
    const DTPixel* colors;
};

// The palette colour at the smallest squared RGB distance; on equal distances
// the lowest index wins. An empty palette has nothing to offer and gives the
// colour back unchanged.
DTPixel FindClosestColorFromPalette(DTPixel color, const DTPalette& palette);

// A palette prepared for many searches: made once, searched many times.
struct DTPaletteChannels {
    std::int32_t count = 0;
    // The palette's channels side by side.
    std::vector<int> r;
    std::vector<int> g;
    std::vector<int> b;
    // The colours that can be nearest in each part of the colour cube, for a
    // palette of 1 to max_cell_search_colors colours.
    bool by_cells = false;
    Cell_Search cells;
    // All colours weighed at once, for a palette of 1 to max_few_colors
    // colours where the processor can (the cells are then not made).
    bool by_few = false;
    Few_Colors_Search few;
};

DTPaletteChannels SplitPaletteChannels(const DTPalette& palette);

// FindClosestIndex without the cells: every colour weighed in turn.
int FindClosestIndexByScan(DTPixel color, const DTPaletteChannels& channels);

// The index of the colour FindClosestColorFromPalette gives (0 for an empty
// palette). Inline: the dithering calls it once for every pixel.
inline int FindClosestIndex(DTPixel color, const DTPaletteChannels& channels) {
#if defined(__SSE2__)
    if (channels.by_few) {
        return Nearest_Of_Few<Channel_Cost::squared>(channels.few, color.r, color.g, color.b);
    }
#endif
    if (channels.by_cells) {
        return Nearest_In_Cells(channels.cells, color.r, color.g, color.b);
    }
    return FindClosestIndexByScan(color, channels);
}

// What FindClosestColorFromPalette gives, from the palette's channels split
// once.
DTPixel FindClosestColor(DTPixel color, const DTPalette& palette,
                         const DTPaletteChannels& channels);
