#pragma once
// Octree colour reduction: every pixel is sorted into a tree seven levels
// deep, the colour-bearing nodes are kept in a min-heap, and the least
// important childless node is folded into its parent until no more than the
// wanted number of nodes remain. Pixels are then rewritten with the rounded
// averages of their nodes, either straight from the tree or by nearest colour
// with error diffusion (weights 7, 5, 2 and 1 out of 15).
//
// Each thread reduces with a node pool of its own, so conversions may run on
// several threads at once; a call reuses the nodes of the thread's previous
// call, so memory stays at what the largest tree needed.

#include <cstdint>

struct quant_image {
    std::int32_t width;
    std::int32_t height;
    // width x height pixels of three bytes (red, green, blue), row-major.
    std::uint8_t* pixels;
};

// Reduces the image in place to at most n_colors colours (n_colors >= 1);
// dither non-zero selects error diffusion.
void color_quant(quant_image* image, int n_colors, int dither);

// What color_quant gives without and with dithering, from one tree: the tree
// and its reduction do not depend on the flag, so they are built once. The
// image is read, not changed; plain and diffused receive width x height
// pixels of three bytes each.
void color_quant_both(const quant_image* image, int n_colors, std::uint8_t* plain,
                      std::uint8_t* diffused);
