#pragma once
// A fixed list of colours and the search for the one nearest to a colour.

#include "image/DTImage.h"

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

// A palette's channels side by side, padded to whole groups of 16 with
// places far from every colour: made once, searched many times.
struct DTPaletteChannels {
    std::int32_t count = 0;
    std::vector<int> r;
    std::vector<int> g;
    std::vector<int> b;
};

DTPaletteChannels SplitPaletteChannels(const DTPalette& palette);

// The index of the colour FindClosestColorFromPalette gives (0 for an empty
// palette).
int FindClosestIndex(DTPixel color, const DTPaletteChannels& channels);

// What FindClosestColorFromPalette gives, from the palette's channels split
// once.
DTPixel FindClosestColor(DTPixel color, const DTPalette& palette,
                         const DTPaletteChannels& channels);
