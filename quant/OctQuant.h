#pragma once
// Octree colour reduction: every pixel is sorted into a tree seven levels
// deep, the colour-bearing nodes are kept in a min-heap, and the least
// important childless node is folded into its parent until no more than the
// wanted number of nodes remain. Pixels are then rewritten with the rounded
// averages of their nodes, either straight from the tree or by nearest colour
// with error diffusion (weights 7, 5, 2 and 1 out of 15).

#include <cstdint>
#include <vector>

struct quant_image {
    std::int32_t width;
    std::int32_t height;
    // width x height pixels of three bytes (red, green, blue), row-major.
    std::uint8_t* pixels;
};

constexpr std::uint8_t NODE_IN_HEAP = 1;

struct octree_node {
    // Sums of the gathered samples; after averaging, the node's colour.
    std::int64_t red;
    std::int64_t green;
    std::int64_t blue;
    std::int32_t pixel_count;
    std::int32_t heap_slot;
    std::uint8_t child_count;
    std::uint8_t child_slot;
    std::uint8_t flags;
    std::uint8_t depth;
    octree_node* children[8];
    octree_node* parent;
};

struct fold_heap {
    std::int32_t capacity = 0;
    // One past the last used entry; entry 0 is never used.
    std::int32_t end = 0;
    std::vector<octree_node*> slots;
    // The heap order key of each entry's node (see heap_key), kept beside
    // the pointers so that sifting reads one array instead of chasing nodes
    // across the pool.
    std::vector<std::int64_t> keys;
};

// Reduces the image in place to at most n_colors colours (n_colors >= 1);
// dither non-zero selects error diffusion.
void color_quant(quant_image* image, int n_colors, int dither);

// Frees every node of the process-wide pool. The program never calls it (its
// pictures are few); harnesses that reduce thousands of images in one process
// do, between images.
void node_pool_release();

// What color_quant gives without and with dithering, from one tree: the tree
// and its reduction do not depend on the flag, so they are built once. The
// image is read, not changed; plain and diffused receive width x height
// pixels of three bytes each.
void color_quant_both(const quant_image* image, int n_colors, std::uint8_t* plain,
                      std::uint8_t* diffused);

// The steps of the reduction, open to callers that check them one by one.
// Nodes come from a process-wide pool that is never released.
octree_node* node_new(std::uint8_t child_slot, std::uint8_t depth, octree_node* parent);
octree_node* node_insert(octree_node* root, const std::uint8_t* pixel);
octree_node* node_fold(octree_node* node);
int cmp_node(const octree_node* a, const octree_node* b);
// A number that orders nodes as cmp_node does: child count, then weight.
std::int64_t heap_key(const octree_node* node);
void up_heap(fold_heap* heap, octree_node* node);
void down_heap(fold_heap* heap, octree_node* node);
void heap_add(fold_heap* heap, octree_node* node);
octree_node* pop_heap(fold_heap* heap);
void color_replace(const octree_node* root, std::uint8_t* pixel);
octree_node* nearest_color(int red, int green, int blue, const fold_heap* heap);
void error_diffuse(quant_image* image, const fold_heap* heap);
