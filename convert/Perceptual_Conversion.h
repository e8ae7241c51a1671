#pragma once
// The perceptual conversion: palette and pixels chosen together for the
// least difference as an eye sees the picture (see quant/Perceptual_Search.h),
// started from another method's result so that it only improves on it.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "core/Palette.h"
#include "quant/OctQuant.h"
#include "quant/Perceptual_Search.h"

#include <cstdint>
#include <vector>

struct Perceptual_Start {
    // 1 to 16 colours on the levels, and whether each may move.
    std::vector<DTPixel> palette;
    std::vector<bool> movable;
    // The palette index of each of the 12288 pixels.
    std::vector<std::uint8_t> indices;
    // How many of the first entries keep their places in the picture, used
    // or not: all of a given palette, the kept colours of a fit around them
    // (which come first), none of a palette fitted freely. The other colours
    // follow in order of first appearance, as the refined methods number
    // them, and entries beyond them are black.
    int placed = 0;
};

// The refined-dither picture of a 128x96 working image as a start: its
// palette, all of it free to move, and its diffused indices.
Perceptual_Start Refined_Start(const DTImage& working, Octree_Workspace& workspace);

// The refined-dither picture around kept colours as a start: the palette
// fitted around them, which are its first entries and stay where they are,
// the others free to move.
Perceptual_Start Kept_Start(const DTImage& working, const std::vector<DTPixel>& kept,
                            Octree_Workspace& workspace);

// A start on a given palette, every entry in its place, mapped as
// refined-dither maps onto it; entries whose flag is set may move (none when
// movable is empty). For kept colours, the palette fitted around them with
// only the others movable, and placed set to their number.
Perceptual_Start Given_Palette_Start(const DTImage& working, const Palette_Colors& palette,
                                     const std::vector<bool>& movable = {});

// The perceptual picture of a 128x96 working image from the start, its
// colours numbered as the start says. No names are set.
MQ4_Document Convert_Perceptual(const DTImage& working, const Perceptual_Start& start,
                                const Perceptual_Settings& settings = {});
