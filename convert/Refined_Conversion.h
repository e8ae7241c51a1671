#pragma once
// The grid-aware conversions that the command-line converter offers beside
// the import's four: a palette fitted on the hardware's colour grid (see
// quant/Grid_Refine.h), starting from the octree's colours, with every pixel
// mapped to its nearest palette colour or by error diffusion.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "core/Method.h"
#include "quant/OctQuant.h"
#include "quant/Palette_Dither.h"

#include <vector>

// The refined palette of a 128x96 working image: at most 16 grid colours.
std::vector<DTPixel> Refined_Palette(const DTImage& working, Octree_Workspace& workspace);

// The refined palette fitted around kept colours (see Refine_Grid_Palette in
// quant/Grid_Refine.h): each is put on the grid, and the distinct ones, up
// to 16, are its first entries whether the image uses them or not.
std::vector<DTPixel> Refined_Palette(const DTImage& working, const std::vector<DTPixel>& kept,
                                     Octree_Workspace& workspace);

// How many entries the kept colours take at the start of a palette fitted
// around them: the distinct ones on the grid, at most 16.
int Kept_Count(const std::vector<DTPixel>& kept);

// The refined picture of an image that fills a picture. Colours are numbered
// in order of first appearance; palette entries beyond them are black. No
// names are set. Dithered, pixels are mapped by Floyd-Steinberg in serpentine
// order (Map_Diffused in quant/Palette_Dither.h).
MQ4_Document Convert_Refined(const DTImage& loaded, bool dither, Octree_Workspace& workspace);

struct Refined_Options {
    // How pixels are mapped onto the refined palette; none is nearest colour
    // (the refined method), floyd-steinberg at full strength the
    // refined-dither method.
    Dither_Options dither;
    // Colours always in the palette, each put on the grid; at most 16 count.
    std::vector<DTPixel> kept;
};

// The picture of palette indices, one for each of a picture's pixels: the
// first `kept` entries keep their places, used or not, and the others are
// renumbered after them in order of first appearance; entries beyond them
// are black.
MQ4_Document Build_Picture(const std::vector<std::uint8_t>& indices,
                           const std::vector<DTPixel>& palette, int kept);

// The picture of a 128x96 working image on a palette that Refined_Palette
// gave, whose first `kept` entries are kept colours: those keep their
// places, used or not; the other colours follow in order of first
// appearance, and entries beyond them are black.
MQ4_Document Refined_Picture(const DTImage& working, const std::vector<DTPixel>& palette,
                             const Dither_Options& dither, int kept);

// The refined picture with a dither kind and kept colours. The kept colours
// are the first entries, in their order, used or not; the other colours
// follow in order of first appearance, and entries beyond them are black.
// Without kept colours it is the picture of Convert_Refined for none and for
// floyd-steinberg at full strength.
MQ4_Document Convert_Refined(const DTImage& loaded, const Refined_Options& options,
                             Octree_Workspace& workspace);

// The picture of any of the converter's methods.
MQ4_Document Build_Method_Picture(const DTImage& loaded, Method method,
                                  Octree_Workspace& workspace);
