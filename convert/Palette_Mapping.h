#pragma once
// Pictures on a palette that is given rather than fitted to each image: a
// palette read from a file, or one fitted once to a whole series, so that
// every picture of the series carries the same 16 colour words.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "core/Method.h"
#include "core/Palette.h"
#include "quant/OctQuant.h"
#include "quant/Palette_Dither.h"

#include <array>
#include <vector>

// The picture of a 128x96 working image on the palette, whose entries keep
// their order, by a method that takes a palette (see core/Method.h): each
// maps pixels as its row says. No names are set.
MQ4_Document Map_Onto_Palette(const DTImage& working, const Palette_Colors& palette, Method method);

// The picture of a 128x96 working image on the palette, whose entries keep
// their order, mapped with a dither kind (none is nearest colour).
MQ4_Document Map_Onto_Palette(const DTImage& working, const Palette_Colors& palette,
                              const Dither_Options& dither);

// The refined method's palette fitted to the pixels of many 128x96 working
// images together (12288 of them each, one image after another), started from
// their octree colours, and around kept colours, which are its first entries
// (each put on the grid, at most 16, whether any pixel is near them or not);
// entries it does not use are black.
Palette_Colors Fit_Shared_Palette(const std::vector<DTPixel>& pixels,
                                  const std::vector<DTPixel>& kept, Octree_Workspace& workspace);

// A palette of fewer than 16 colours, put on the grid, with its empty
// entries fitted to a 128x96 working image instead of left black: the given
// colours keep their places first, as kept colours of the refined fit.
Palette_Colors Fill_Palette(const DTImage& working, const std::vector<DTPixel>& given,
                            Octree_Workspace& workspace);

// The 128x96 image of a picture's display colours.
DTImage Picture_Image(const MQ4_Document& picture);
