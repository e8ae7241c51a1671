#pragma once
// The steps of the octree reduction, its node and heap records and the
// calling thread's node pool, open to the tests that check them one by one.
// Callers that only reduce images use OctQuant.h.

#include "quant/OctQuant.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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

// Nodes come from the calling thread's pool: blocks of 2048 slots, slot 0
// linking to the block before, handed out from slot 2047 down to slot 2.
// Every node is handed out zeroed but for the fields node_new sets.
octree_node* node_new(std::uint8_t child_slot, std::uint8_t depth, octree_node* parent);
// Makes the thread's next node come from the top of its first block again;
// every node handed out before is given up. Each reduction starts with it.
void node_pool_restart();
// How many blocks the thread's pool holds.
std::size_t node_pool_blocks();

octree_node* node_insert(octree_node* root, const std::uint8_t* pixel);

// Which leaf each pixel of an image fell into: leaves numbered in the order
// of their first pixel.
struct leaf_numbers {
    std::vector<std::int32_t> of_pixel;
    std::vector<octree_node*> leaves;
    // Each leaf's path: the bits of its pixels' channels that choose it
    // (0xRRGGBB with the lowest bit of each channel clear).
    std::vector<std::uint32_t> paths;
};

// Inserts every pixel in row-major order, with the heap operations that
// node_insert and heap_add on each pixel's leaf make, and numbers the leaves;
// only faster: a known leaf is found by its path instead of a walk from the
// root, and the heap hears of it only when its weight changes.
void insert_pixels(octree_node* root, const quant_image* image, fold_heap* heap,
                   leaf_numbers* numbers);
octree_node* node_fold(octree_node* node);
int cmp_node(const octree_node* a, const octree_node* b);
// A number that orders nodes as cmp_node does: child count, then weight.
std::int64_t heap_key(const octree_node* node);
void up_heap(fold_heap* heap, octree_node* node);
void down_heap(fold_heap* heap, octree_node* node);
void heap_add(fold_heap* heap, octree_node* node);
octree_node* pop_heap(fold_heap* heap);
void color_replace(const octree_node* root, std::uint8_t* pixel);
// The node whose colour color_replace writes into the pixel.
const octree_node* replacing_node(const octree_node* root, const std::uint8_t* pixel);
octree_node* nearest_color(int red, int green, int blue, const fold_heap* heap);
void error_diffuse(quant_image* image, const fold_heap* heap);
