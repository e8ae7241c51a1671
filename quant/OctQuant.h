#pragma once
// Octree colour reduction: every pixel is sorted into a tree seven levels
// deep, the colour-bearing nodes are kept in a min-heap, and the least
// important childless node is folded into its parent until no more than the
// wanted number of nodes remain. Pixels are then rewritten with the rounded
// averages of their nodes, either straight from the tree or by nearest colour
// with error diffusion (weights 7, 5, 2 and 1 out of 15).
//
// A reduction works in an Octree_Workspace that its caller owns: the node
// pool, the table of leaves and the leaf of each pixel. A workspace serves
// one reduction at a time; one per thread lets conversions run side by side.
// Each call reuses what the workspace's earlier calls made, so its memory
// stays at what the largest picture's tree needed (what a far larger image
// needed is let go after it).

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

struct quant_image {
    std::int32_t width;
    std::int32_t height;
    // width x height pixels of three bytes (red, green, blue), row-major.
    std::uint8_t* pixels;
};

struct Octree_Workspace {
    Octree_Workspace();
    ~Octree_Workspace();
    Octree_Workspace(const Octree_Workspace&) = delete;
    Octree_Workspace& operator=(const Octree_Workspace&) = delete;

    // Known only to the reduction.
    struct Parts;
    std::unique_ptr<Parts> parts;
};

// Reduces the image in place to at most n_colors colours (n_colors >= 1);
// dither non-zero selects error diffusion.
void color_quant(quant_image* image, int n_colors, int dither, Octree_Workspace& workspace);

// What color_quant gives without and with dithering, from one tree: the tree
// and its reduction do not depend on the flag, so they are built once. The
// image is read, not changed; plain and diffused receive width x height
// pixels of three bytes each.
void color_quant_both(const quant_image* image, int n_colors, std::uint8_t* plain,
                      std::uint8_t* diffused, Octree_Workspace& workspace);

// A reduced image as colour numbers.
struct quant_numbered {
    // The distinct colours of the reduced image in order of first
    // appearance, three bytes (red, green, blue) each.
    std::vector<std::uint8_t> colors;
    // Each pixel's colour, as its place in colors.
    std::vector<std::uint8_t> numbers;
};

// What color_quant_both gives, as colour numbers, without writing the
// pixels: plain receives the result without dithering, diffused the one
// with; either may be null. n_colors is at most 256.
void color_quant_numbered(const quant_image* image, int n_colors, quant_numbered* plain,
                          quant_numbered* diffused, Octree_Workspace& workspace);

// The colours of color_quant's result without dithering, distinct and in
// order of first appearance, three bytes (red, green, blue) each, without
// the pixels. n_colors is at most 256.
std::vector<std::uint8_t> color_quant_colors(const quant_image* image, int n_colors,
                                             Octree_Workspace& workspace);

// A colour's three bytes: red, green, blue.
using quant_color = std::array<std::uint8_t, 3>;

// The error diffusion of color_quant onto the colours: each pixel in turn,
// row by row, takes the colour nearest to its value plus the error passed on
// to it (clamped to 0..255), by 3 |red| + 5 |green| + 2 |blue| differences
// (the first of equal ones), and passes its own error on: 7/15 to the right,
// 5/15 below, 2/15 below right and 1/15 below left, in sums of fifteenths
// that are divided, rounding towards zero, when a pixel is reached.
void color_diffuse(quant_image* image, const std::vector<quant_color>& colors);
