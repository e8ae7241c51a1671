#pragma once
// A fixed list of colours and the search for the one nearest to a colour.

#include "image/DTImage.h"

#include <cstdint>

// A view of colours that the caller owns.
struct DTPalette {
    std::int32_t count;
    const DTPixel* colors;
};

// The palette colour at the smallest squared RGB distance; on equal distances
// the lowest index wins. An empty palette has nothing to offer and gives the
// colour back unchanged.
DTPixel FindClosestColorFromPalette(DTPixel color, const DTPalette& palette);
