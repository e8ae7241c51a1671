#pragma once
// The grid-aware conversions that the command-line converter offers beside
// the import's four: a palette fitted on the hardware's colour grid (see
// quant/Grid_Refine.h), starting from the octree's colours, with every pixel
// mapped to its nearest palette colour or by error diffusion.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "core/Method.h"
#include "quant/OctQuant.h"

#include <vector>

// The refined palette of a 128x96 working image: at most 16 grid colours.
std::vector<DTPixel> Refined_Palette(const DTImage& working, Octree_Workspace& workspace);

// The refined picture of an image that fills a picture. Colours are numbered
// in order of first appearance; palette entries beyond them are black. No
// names are set.
MQ4_Document Convert_Refined(const DTImage& loaded, bool dither, Octree_Workspace& workspace);

// The picture of any of the converter's methods.
MQ4_Document Build_Method_Picture(const DTImage& loaded, Method method,
                                  Octree_Workspace& workspace);
