#include "quant/OctQuant.h"

#include "core/Report.h"
#include "quant/Cell_Search.h"
#include "quant/Few_Colors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// Ends the conversion; the program, or the batch, ends with it.
[[noreturn]] void Out_Of_Memory() {
    Report("Out of memory while reducing colours.\n");
    throw std::bad_alloc();
}

constexpr std::uint8_t node_in_heap = 1;

// One node of the tree. Nodes lie in one array and name each other by
// their place in it: the root is node 0, which is nobody's child, so a child
// of 0 is no child. Sums of a picture's samples fit 32 bits (12288 x 255,
// and so do those of up to 2^24 pixels), and the node then fills one cache
// line, everything a step reads in it; only a tree of more pixels (a large
// batch reduced for a shared palette) needs 64-bit sums.
template <class Sum> struct alignas(sizeof(Sum) == 4 ? 64 : 8) Octree_Node {
    // Sums of the gathered samples; after averaging, the node's colour.
    Sum red;
    Sum green;
    Sum blue;
    std::int32_t pixel_count;
    std::uint32_t parent;
    std::uint8_t child_count;
    std::uint8_t child_slot;
    std::uint8_t flags;
    std::uint8_t depth;
    std::array<std::uint32_t, 8> children;
};
static_assert(sizeof(Octree_Node<std::uint32_t>) == 64);

// The record and heap key for a tree of up to small_tree_pixels pixels, and
// for a larger one. A key orders nodes by child count, then by weight
// (pixel count >> depth); a small tree's weights stay under 2^28, so both
// fit 32 bits.
template <class Sum_Type, class Key_Type> struct Tree_Kind {
    using Sum = Sum_Type;
    using Key = Key_Type;
    using Node = Octree_Node<Sum>;
};
using Small_Kind = Tree_Kind<std::uint32_t, std::uint32_t>;
using Large_Kind = Tree_Kind<std::int64_t, std::int64_t>;
constexpr std::size_t small_tree_pixels = std::size_t{1} << 24;
static_assert(small_tree_pixels * 255 <= 0xFFFFFFFFu);

template <class Key> struct Heap_Entry {
    Key key;
    std::uint32_t node;
};

// The min-heap of colour-bearing nodes; entry 0 is never used, and the entry
// at the end holds the largest key, so that a sift down needs no check for a
// missing right child. The key sits beside the node's number, and each node
// in the heap finds its entry in slot_of, so that sifting touches two small
// arrays instead of nodes across the pool.
//
// Both arrays have room for every node the tree can have, taken before the
// tree and left unwritten: a page of them is touched only once a node needs it.
template <class Key> struct Fold_Heap {
    std::unique_ptr<Heap_Entry<Key>[]> entries;
    // One past the last used entry.
    std::int32_t end = 0;
    // By node number; meaningful for the nodes in the heap only.
    std::unique_ptr<std::int32_t[]> slot_of;
    // How many nodes there is room for.
    std::size_t room = 0;
};

template <class Key> void Make_Heap_Room(Fold_Heap<Key>* heap, std::size_t nodes) {
    if (heap->room >= nodes) {
        return;
    }
    *heap = Fold_Heap<Key>{};
    try {
        // Entry 0, one entry per node at most, and the end mark.
        heap->entries = std::make_unique_for_overwrite<Heap_Entry<Key>[]>(nodes + 2);
        heap->slot_of = std::make_unique_for_overwrite<std::int32_t[]>(nodes);
    } catch (const std::bad_alloc&) {
        Out_Of_Memory();
    }
    heap->room = nodes;
}

template <class Key> constexpr Heap_Entry<Key> heap_end_mark{std::numeric_limits<Key>::max(), 0};

struct Free_Memory {
    void operator()(void* memory) const { std::free(memory); }
};

// The nodes' memory. Each fresh 4 KiB page costs a fault when it is first
// touched, and a picture's tree fills hundreds of pages: on the virtual
// machines we measure on, the faults took more time than the conversion. So
// the memory comes in 2 MiB steps that the kernel is asked to back with huge
// pages (one fault each); where it cannot, it simply works on small pages.
// Room for the largest tree the image can make is taken before the tree is
// begun, so that nodes never move while it grows.
struct Node_Memory {
    std::unique_ptr<void, Free_Memory> memory;
    std::size_t bytes = 0;
};

constexpr std::size_t memory_step = std::size_t{2} << 20;

void* Node_Room(Node_Memory* pool, std::size_t bytes) {
    if (pool->bytes < bytes) {
        const std::size_t rounded = (bytes + memory_step - 1) / memory_step * memory_step;
        pool->memory.reset();
        pool->bytes = 0;
        void* memory = std::aligned_alloc(memory_step, rounded);
        if (!memory) {
            Out_Of_Memory();
        }
        // Only advice: without huge pages it is the same memory.
        madvise(memory, rounded, MADV_HUGEPAGE);
        pool->memory.reset(memory);
        pool->bytes = rounded;
    }
    return pool->memory.get();
}

// The most nodes a tree of the pixels can have: at each depth, no more than
// 8^depth and no more than one per pixel.
std::size_t Most_Nodes(std::size_t pixels) {
    std::size_t total = 1;
    std::size_t level = 1;
    for (int depth = 1; depth <= 7; ++depth) {
        level *= 8;
        total += std::min(level, pixels);
    }
    return total;
}

// Numbers of known leaves by their paths: open addressing on a hash of the
// path, each entry the leaf's number + 1 (0 for none), never more than half
// full so that searches stay short.
struct Leaf_Table {
    std::vector<std::uint32_t> entries;
    int shift = 32;
};

// Which leaf each pixel of an image fell into: leaves numbered in the order
// of their first pixel.
struct Pixel_Leaves {
    std::vector<std::int32_t> of_pixel;
    // Each leaf's node.
    std::vector<std::uint32_t> leaves;
    // Each leaf's path: the bits of its pixels' channels that choose it
    // (0xRRGGBB with the lowest bit of each channel clear).
    std::vector<std::uint32_t> paths;
};

// A leaf's samples, gathered while the pixels are read and before the tree
// is made.
template <class Sum> struct Leaf_Sums {
    Sum red;
    Sum green;
    Sum blue;
    std::uint32_t count;
};

} // namespace

struct Octree_Workspace::Parts {
    Node_Memory pool;
    Leaf_Table leaf_table;
    Pixel_Leaves pixel_leaves;
    Fold_Heap<Small_Kind::Key> small_heap;
    Fold_Heap<Large_Kind::Key> large_heap;
    std::vector<Leaf_Sums<Small_Kind::Sum>> small_sums;
    std::vector<Leaf_Sums<Large_Kind::Sum>> large_sums;
    // The leaves sorted by their paths' child indices, and room to sort in.
    std::vector<std::uint64_t> sorted;
    std::vector<std::uint64_t> sort_room;
};

Octree_Workspace::Octree_Workspace() : parts(std::make_unique<Parts>()) {}
Octree_Workspace::~Octree_Workspace() = default;

namespace {

template <class Kind> Fold_Heap<typename Kind::Key>& Heap_Of(Octree_Workspace::Parts& parts) {
    if constexpr (std::is_same_v<Kind, Small_Kind>) {
        return parts.small_heap;
    } else {
        return parts.large_heap;
    }
}

template <class Kind>
std::vector<Leaf_Sums<typename Kind::Sum>>& Sums_Of(Octree_Workspace::Parts& parts) {
    if constexpr (std::is_same_v<Kind, Small_Kind>) {
        return parts.small_sums;
    } else {
        return parts.large_sums;
    }
}

// A tree being built and folded in a workspace.
template <class Kind> struct Tree {
    using Node = typename Kind::Node;
    using Key = typename Kind::Key;
    Node* nodes;
    std::uint32_t used;
    Fold_Heap<Key>& heap;
};

template <class Kind>
typename Kind::Key Heap_Key(int child_count, std::int32_t pixel_count, int depth) {
    const std::int32_t weight = pixel_count >> depth;
    if constexpr (sizeof(typename Kind::Key) == 4) {
        return static_cast<std::uint32_t>(child_count) << 28 | static_cast<std::uint32_t>(weight);
    } else {
        return (static_cast<std::int64_t>(child_count) << 32) + weight;
    }
}

template <class Kind> typename Kind::Key Heap_Key(const typename Kind::Node& node) {
    return Heap_Key<Kind>(node.child_count, node.pixel_count, node.depth);
}

template <class Kind>
std::uint32_t New_Node(Tree<Kind>& tree, int child_slot, int depth, std::uint32_t parent) {
    const std::uint32_t number = tree.used++;
    typename Kind::Node& node = tree.nodes[number];
    // A place used by an earlier tree starts as a fresh one.
    node = typename Kind::Node{};
    node.child_slot = static_cast<std::uint8_t>(child_slot);
    node.depth = static_cast<std::uint8_t>(depth);
    node.parent = parent;
    if (number != 0) {
        tree.nodes[parent].child_count++;
    }
    return number;
}

// A byte's bits 7 to 1, each moved three places apart: bit j to bit 3 (j - 1).
constexpr std::array<std::uint32_t, 256> Spread_Bits() {
    std::array<std::uint32_t, 256> spread{};
    for (std::uint32_t value = 0; value < 256; ++value) {
        for (int bit = 1; bit <= 7; ++bit) {
            spread[value] |= (value >> bit & 1) << (3 * (bit - 1));
        }
    }
    return spread;
}

constexpr std::array<std::uint32_t, 256> spread_bits = Spread_Bits();

// The child index of each level on a path (0xRRGGBB), three bits a level,
// depth 1 highest: green's bit of the level, then red's, then blue's (the
// lowest bit of a channel selects nothing).
std::uint32_t Child_Indices(std::uint32_t path) {
    return spread_bits[path >> 8 & 0xFF] << 2 | spread_bits[path >> 16 & 0xFF] << 1 |
           spread_bits[path & 0xFF];
}

int Child_Index(std::uint32_t indices, int depth) {
    return static_cast<int>(indices >> (3 * (7 - depth)) & 7);
}

// The sifts compare the keys kept in the entries: each change of a node in
// the heap is followed by Heap_Add, which refreshes its key.
template <class Kind> void Up_Heap(Tree<Kind>& tree, std::uint32_t node) {
    auto& entries = tree.heap.entries;
    std::int32_t* slot_of = tree.heap.slot_of.get();
    int k = slot_of[node];
    const typename Kind::Key key = entries[static_cast<std::size_t>(k)].key;
    while (k > 1) {
        const int above = k / 2;
        if (key >= entries[static_cast<std::size_t>(above)].key) {
            break;
        }
        entries[static_cast<std::size_t>(k)] = entries[static_cast<std::size_t>(above)];
        slot_of[entries[static_cast<std::size_t>(k)].node] = k;
        k = above;
    }
    entries[static_cast<std::size_t>(k)] = {key, node};
    slot_of[node] = k;
}

// Places a node whose key may be larger than its children's. A node that
// sinks at all mostly sinks nearly to the bottom (one with children sinks
// below every childless one), so past the first step its way down is that of
// the hole: the smaller child moves up at each level with no comparison
// against the node's key, and from the bottom the node climbs back over the
// children that were not smaller than it. It stops where the plain sift
// would, the children on the way being in order; the smaller child is the
// right one only on a strictly smaller key, as there.
template <class Kind> void Down_Heap(Tree<Kind>& tree, std::uint32_t node) {
    auto* entries = tree.heap.entries.get();
    std::int32_t* slot_of = tree.heap.slot_of.get();
    const auto end = static_cast<std::size_t>(tree.heap.end);
    auto k = static_cast<std::size_t>(slot_of[node]);
    const typename Kind::Key key = entries[k].key;
    // The child that would move up, when there is one (the end mark, the
    // largest key, stands in for a missing right child).
    const auto smaller_child = [&](std::size_t at) {
        const std::size_t c = 2 * at;
        return c + (entries[c].key > entries[c + 1].key ? 1 : 0);
    };
    if (2 * k >= end || key <= entries[smaller_child(k)].key) {
        return;
    }
    while (2 * k < end) {
        const std::size_t c = smaller_child(k);
        entries[k] = entries[c];
        slot_of[entries[k].node] = static_cast<std::int32_t>(k);
        k = c;
    }
    // The first child moved up, now at start, is smaller than the key, so
    // the climb ends below start.
    while (entries[k / 2].key >= key) {
        entries[k] = entries[k / 2];
        slot_of[entries[k].node] = static_cast<std::int32_t>(k);
        k /= 2;
    }
    entries[k] = {key, node};
    slot_of[node] = static_cast<std::int32_t>(k);
}

// Enters a number not in the heap with its key. The heap starts at entry 1.
template <class Kind>
void Heap_Insert(Tree<Kind>& tree, std::uint32_t number, typename Kind::Key key) {
    auto& heap = tree.heap;
    // Room for every node and the end mark was made before the tree.
    const auto end = static_cast<std::size_t>(heap.end);
    heap.slot_of[number] = heap.end;
    heap.entries[end] = {key, number};
    heap.entries[end + 1] = heap_end_mark<typename Kind::Key>;
    heap.end++;
    Up_Heap(tree, number);
}

template <class Kind> void Heap_Add(Tree<Kind>& tree, std::uint32_t number) {
    typename Kind::Node& node = tree.nodes[number];
    auto& heap = tree.heap;
    const typename Kind::Key key = Heap_Key<Kind>(node);
    if (node.flags & node_in_heap) {
        auto& entry = heap.entries[static_cast<std::size_t>(heap.slot_of[number])];
        // Both sifts would stop at once: most pixels fall into a known leaf
        // without changing its weight.
        if (key == entry.key) {
            return;
        }
        // The heap holds everywhere else, so a smaller key can only rise and
        // a larger one only sink.
        const bool smaller = key < entry.key;
        entry.key = key;
        if (smaller) {
            Up_Heap(tree, number);
        } else {
            Down_Heap(tree, number);
        }
        return;
    }
    node.flags |= node_in_heap;
    Heap_Insert(tree, number, key);
}

template <class Kind> std::uint32_t Pop_Heap(Tree<Kind>& tree) {
    auto& heap = tree.heap;
    const std::uint32_t first = heap.entries[1].node;
    --heap.end;
    const Heap_Entry<typename Kind::Key> moved = heap.entries[static_cast<std::size_t>(heap.end)];
    heap.entries[static_cast<std::size_t>(heap.end)] = heap_end_mark<typename Kind::Key>;
    if (heap.end > 1) {
        heap.entries[1] = moved;
        heap.slot_of[moved.node] = 1;
        Down_Heap(tree, moved.node);
    }
    return first;
}

// Adds a childless node to its parent and takes it off the tree.
template <class Kind> std::uint32_t Fold(Tree<Kind>& tree, std::uint32_t number) {
    const typename Kind::Node& node = tree.nodes[number];
    typename Kind::Node& parent = tree.nodes[node.parent];
    parent.pixel_count += node.pixel_count;
    parent.red += node.red;
    parent.green += node.green;
    parent.blue += node.blue;
    parent.child_count--;
    parent.children[node.child_slot] = 0;
    return node.parent;
}

std::size_t Pixel_Count(const quant_image* image) {
    return static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height);
}

// The seven bits of each channel that lead a pixel to its leaf.
std::uint32_t Path_Of(const std::uint8_t* pixel) {
    return (static_cast<std::uint32_t>(pixel[0]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 |
            pixel[2]) &
           0xFEFEFE;
}

// The first entry to look at for the path; the table has 2^(32 - shift)
// entries.
std::size_t Hash_Slot(const Leaf_Table& table, std::uint32_t path) {
    return (path * 0x9E3779B1u) >> table.shift;
}

// Empties the table and gives it 2^bits entries.
void Size_Leaf_Table(Leaf_Table* table, int bits) {
    table->shift = 32 - bits;
    table->entries.assign(std::size_t{1} << bits, 0);
}

// Room for every leaf of a picture from the start; a larger image that
// finds more leaves grows the table as it goes.
void Restart_Leaf_Table(Leaf_Table* table, std::size_t pixels) {
    const std::size_t expected_leaves = std::min(pixels, std::size_t{1} << 14);
    int bits = 4;
    while ((std::size_t{1} << bits) < 2 * expected_leaves) {
        ++bits;
    }
    Size_Leaf_Table(table, bits);
}

// Doubles the table and enters the known paths again.
void Grow_Leaf_Table(Leaf_Table* table, const std::vector<std::uint32_t>& paths) {
    Size_Leaf_Table(table, 32 - table->shift + 1);
    const std::size_t mask = table->entries.size() - 1;
    for (std::size_t n = 0; n < paths.size(); ++n) {
        std::size_t at = Hash_Slot(*table, paths[n]);
        while (table->entries[at] != 0) {
            at = (at + 1) & mask;
        }
        table->entries[at] = static_cast<std::uint32_t>(n + 1);
    }
}

// The number of the leaf on the path; a path met for the first time is
// entered as the next leaf's, numbered leaves->paths.size() before.
std::size_t Leaf_Number(Leaf_Table* table, std::uint32_t path, Pixel_Leaves* leaves) {
    if (2 * (leaves->paths.size() + 1) > table->entries.size()) {
        Grow_Leaf_Table(table, leaves->paths);
    }
    const std::size_t mask = table->entries.size() - 1;
    for (std::size_t at = Hash_Slot(*table, path);; at = (at + 1) & mask) {
        const std::uint32_t entry = table->entries[at];
        if (entry == 0) {
            table->entries[at] = static_cast<std::uint32_t>(leaves->paths.size() + 1);
            leaves->paths.push_back(path);
            return leaves->paths.size() - 1;
        }
        if (leaves->paths[entry - 1] == path) {
            return entry - 1;
        }
    }
}

// Leaves lie at depth 7, so a leaf's weight, pixel_count >> 7, changes only
// when its count reaches a whole multiple of 128.
constexpr int leaf_depth = 7;
constexpr std::uint32_t leaf_weight_step = 1 << leaf_depth;

// Reads every pixel in row-major order, numbering the leaves, gathering their
// samples and making the heap operations that inserting each pixel from the
// root and adding its leaf to the heap would make; only faster: a known leaf
// is found by its path instead of a walk from the root, and the heap hears of
// it only when its weight changes. A leaf's key depends on its count alone,
// so until the tree is made (Make_Tree) the heap holds leaf numbers.
template <class Kind>
void Read_Pixels(Tree<Kind>& tree, const quant_image* image, Octree_Workspace::Parts& parts) {
    Leaf_Table* table = &parts.leaf_table;
    Pixel_Leaves* leaves = &parts.pixel_leaves;
    auto& sums = Sums_Of<Kind>(parts);
    const std::size_t count = Pixel_Count(image);
    const auto width = static_cast<std::size_t>(image->width);
    leaves->of_pixel.resize(count);
    leaves->paths.clear();
    sums.clear();
    Restart_Leaf_Table(table, count);
    std::uint32_t last_path = 0;
    std::size_t number = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* pixel = image->pixels + 3 * i;
        // Neighbours often share all seven bits that choose the path, and
        // with them the leaf.
        const std::uint32_t path = Path_Of(pixel);
        // The table entry of a pixel a little ahead, loading while this one
        // is handled.
        constexpr std::size_t ahead = 16;
        if (i + ahead < count) {
            __builtin_prefetch(table->entries.data() +
                               Hash_Slot(*table, Path_Of(pixel + 3 * ahead)));
        }
        if (i == 0 || path != last_path) {
            last_path = path;
            // A path met anew is often the path of the pixel above.
            const std::size_t above =
                i >= width ? static_cast<std::size_t>(leaves->of_pixel[i - width]) : 0;
            if (i >= width && leaves->paths[above] == path) {
                number = above;
            } else {
                const std::size_t known = leaves->paths.size();
                number = Leaf_Number(table, path, leaves);
                if (number == known) {
                    leaves->of_pixel[i] = static_cast<std::int32_t>(number);
                    sums.push_back({pixel[0], pixel[1], pixel[2], 1});
                    Heap_Insert(tree, static_cast<std::uint32_t>(number),
                                Heap_Key<Kind>(0, 1, leaf_depth));
                    continue;
                }
            }
        }
        leaves->of_pixel[i] = static_cast<std::int32_t>(number);
        Leaf_Sums<typename Kind::Sum>& leaf = sums[number];
        leaf.red += pixel[0];
        leaf.green += pixel[1];
        leaf.blue += pixel[2];
        // Between those counts Heap_Add would find the key unchanged and
        // do nothing; at them the key grows.
        if (++leaf.count % leaf_weight_step == 0) {
            tree.heap.entries[static_cast<std::size_t>(tree.heap.slot_of[number])].key =
                Heap_Key<Kind>(0, static_cast<std::int32_t>(leaf.count), leaf_depth);
            Down_Heap(tree, static_cast<std::uint32_t>(number));
        }
    }
}

// Sorts the leaves by their paths' child indices (21 bits, depth 1 highest)
// into parts.sorted, each as indices << 32 | leaf number: two passes of a
// stable radix sort, eleven bits and then ten.
void Sort_Leaves(Octree_Workspace::Parts& parts) {
    const std::vector<std::uint32_t>& paths = parts.pixel_leaves.paths;
    std::vector<std::uint64_t>& sorted = parts.sorted;
    std::vector<std::uint64_t>& room = parts.sort_room;
    room.resize(paths.size());
    sorted.resize(paths.size());
    constexpr int low_bits = 11;
    std::array<std::uint32_t, 1 << low_bits> low{};
    std::array<std::uint32_t, 1 << (21 - low_bits)> high{};
    for (std::size_t n = 0; n < paths.size(); ++n) {
        const std::uint32_t indices = Child_Indices(paths[n]);
        room[n] = static_cast<std::uint64_t>(indices) << 32 | n;
        ++low[indices & ((1u << low_bits) - 1)];
        ++high[indices >> low_bits];
    }
    const auto starts = [](auto& counts) {
        std::uint32_t start = 0;
        for (std::uint32_t& c : counts) {
            start += std::exchange(c, start);
        }
    };
    starts(low);
    starts(high);
    for (const std::uint64_t entry : room) {
        sorted[low[entry >> 32 & ((1u << low_bits) - 1)]++] = entry;
    }
    for (const std::uint64_t entry : sorted) {
        room[high[entry >> (32 + low_bits)]++] = entry;
    }
    sorted.swap(room);
}

// Makes the nodes of every leaf's path, each leaf with its samples, and
// turns the heap's leaf numbers into node numbers. In the order of their
// child indices a leaf shares the first levels of its path with the one
// before and needs new nodes below them only, so no node is looked for.
template <class Kind> void Make_Tree(Tree<Kind>& tree, Octree_Workspace::Parts& parts) {
    Sort_Leaves(parts);
    Pixel_Leaves& leaves = parts.pixel_leaves;
    const auto& sums = Sums_Of<Kind>(parts);
    leaves.leaves.resize(leaves.paths.size());
    // The nodes on the last leaf's path, by depth; the root is node 0.
    std::array<std::uint32_t, leaf_depth + 1> path_nodes{};
    std::uint32_t last_indices = 0;
    for (std::size_t k = 0; k < parts.sorted.size(); ++k) {
        const auto indices = static_cast<std::uint32_t>(parts.sorted[k] >> 32);
        const auto number = static_cast<std::uint32_t>(parts.sorted[k]);
        // Levels shared with the last leaf's path: the child indices lie in
        // the lowest 21 bits; paths differ, so the leaf itself is new.
        const int shared = k == 0 ? 0 : (std::countl_zero(indices ^ last_indices) - 11) / 3;
        std::uint32_t node = path_nodes[static_cast<std::size_t>(shared)];
        for (int depth = shared + 1; depth <= leaf_depth; ++depth) {
            const int index = Child_Index(indices, depth);
            const std::uint32_t child = New_Node(tree, index, depth, node);
            tree.nodes[node].children[static_cast<std::size_t>(index)] = child;
            path_nodes[static_cast<std::size_t>(depth)] = child;
            node = child;
        }
        last_indices = indices;
        leaves.leaves[number] = node;
        typename Kind::Node& leaf = tree.nodes[node];
        const Leaf_Sums<typename Kind::Sum>& gathered = sums[number];
        leaf.red = gathered.red;
        leaf.green = gathered.green;
        leaf.blue = gathered.blue;
        leaf.pixel_count = static_cast<std::int32_t>(gathered.count);
        leaf.flags = node_in_heap;
    }
    auto& heap = tree.heap;
    for (std::int32_t k = 1; k < heap.end; ++k) {
        auto& entry = heap.entries[static_cast<std::size_t>(k)];
        entry.node = leaves.leaves[entry.node];
        heap.slot_of[entry.node] = k;
    }
}

template <class Sum> Sum Rounded_Average(Sum sum, double count) {
    return static_cast<Sum>(static_cast<double>(sum) / count + 0.5);
}

template <class Kind> void Average_Heap_Nodes(Tree<Kind>& tree) {
    for (int i = 1; i < tree.heap.end; ++i) {
        typename Kind::Node& node = tree.nodes[tree.heap.entries[static_cast<std::size_t>(i)].node];
        const double count = node.pixel_count;
        node.red = Rounded_Average(node.red, count);
        node.green = Rounded_Average(node.green, count);
        node.blue = Rounded_Average(node.blue, count);
    }
}

// The tree of all pixels, folded until no more than n_colors nodes remain in
// the heap, each holding its average.
template <class Kind>
void Reduce(Tree<Kind>& tree, const quant_image* image, int n_colors,
            Octree_Workspace::Parts& parts) {
    // Fewer than one colour cannot be had; folding would reach the root.
    n_colors = std::max(n_colors, 1);
    tree.heap.end = 1;
    Read_Pixels(tree, image, parts);
    New_Node(tree, 0, 0, 0);
    Make_Tree(tree, parts);
    while (tree.heap.end > n_colors + 1) {
        const std::uint32_t parent = Fold(tree, Pop_Heap(tree));
        // The next node to fold is most likely the one now first; its parent
        // lies anywhere in the pool, so its loading starts at once.
        if (tree.heap.end > 1) {
            __builtin_prefetch(&tree.nodes[tree.nodes[tree.heap.entries[1].node].parent]);
        }
        Heap_Add(tree, parent);
    }
    Average_Heap_Nodes(tree);
}

// The node whose colour replaces each leaf's pixels without dithering: the
// deepest on their path that is still on the tree. The walk down from the
// root meets only nodes that are still on it, few and so at hand, where a
// walk up from the leaf would meet the folded ones scattered in the pool.
template <class Kind> std::uint32_t Reached_Node(const Tree<Kind>& tree, std::uint32_t path) {
    const std::uint32_t indices = Child_Indices(path);
    std::uint32_t node = 0;
    for (int depth = 1; depth <= 7; ++depth) {
        const std::uint32_t child =
            tree.nodes[node].children[static_cast<std::size_t>(Child_Index(indices, depth))];
        if (child == 0) {
            break;
        }
        node = child;
    }
    return node;
}

// Reached_Node for many leaves. A folded tree is mostly a few levels deep:
// then the node reached is looked up by the path's first levels, in a table
// filled from the tree once, instead of walked to.
template <class Kind> class Reach_Table {
  public:
    explicit Reach_Table(const Tree<Kind>& tree) : tree_(tree) {
        // The deepest node left is childless, so it is in the heap.
        int depth = 0;
        for (int i = 1; i < tree.heap.end; ++i) {
            const std::uint32_t node = tree.heap.entries[static_cast<std::size_t>(i)].node;
            depth = std::max(depth, static_cast<int>(tree.nodes[node].depth));
        }
        if (depth <= max_levels) {
            levels_ = depth;
            table_.resize(std::size_t{1} << 3 * levels_);
            Fill(0, 0, 0);
        }
    }

    std::uint32_t Reached(std::uint32_t path) const {
        if (levels_ < 0) {
            return Reached_Node(tree_, path);
        }
        return table_[Child_Indices(path) >> 3 * (7 - levels_)];
    }

  private:
    // 8^4 entries at most.
    static constexpr int max_levels = 4;

    // The entries of the paths through the node at the depth, whose levels
    // so far are prefix.
    void Fill(std::uint32_t node, int depth, std::size_t prefix) {
        if (depth == levels_) {
            table_[prefix] = node;
            return;
        }
        for (std::size_t slot = 0; slot < 8; ++slot) {
            const std::uint32_t child = tree_.nodes[node].children[slot];
            const std::size_t below = prefix * 8 + slot;
            if (child != 0) {
                Fill(child, depth + 1, below);
            } else {
                const int shift = 3 * (levels_ - depth - 1);
                std::fill(table_.begin() + static_cast<std::ptrdiff_t>(below << shift),
                          table_.begin() + static_cast<std::ptrdiff_t>((below + 1) << shift), node);
            }
        }
    }

    const Tree<Kind>& tree_;
    // How many of the path's levels choose the entry; -1 for a tree too deep.
    int levels_ = -1;
    std::vector<std::uint32_t> table_;
};

template <class Kind>
std::vector<std::uint32_t> Reached_Nodes(const Tree<Kind>& tree, const Pixel_Leaves& leaves) {
    const Reach_Table<Kind> reach(tree);
    std::vector<std::uint32_t> reached(leaves.paths.size());
    for (std::size_t n = 0; n < reached.size(); ++n) {
        reached[n] = reach.Reached(leaves.paths[n]);
    }
    return reached;
}

template <class Node> void Write_Node_Color(const Node& node, std::uint8_t* pixel) {
    pixel[0] = static_cast<std::uint8_t>(node.red);
    pixel[1] = static_cast<std::uint8_t>(node.green);
    pixel[2] = static_cast<std::uint8_t>(node.blue);
}

int Clamp_Channel(int value) {
    if (value > 255) {
        return 255;
    }
    if (value < 0) {
        return 0;
    }
    return value;
}

// The reduced colours in heap order: colour k is that of heap entry k + 1.
// Averages of samples lie in 0..255.
template <class Kind> std::vector<quant_color> Heap_Colors(const Tree<Kind>& tree) {
    std::vector<quant_color> colors;
    for (int i = 1; i < tree.heap.end; ++i) {
        quant_color color;
        Write_Node_Color(tree.nodes[tree.heap.entries[static_cast<std::size_t>(i)].node],
                         color.data());
        colors.push_back(color);
    }
    return colors;
}

// The nearest colour by the weighted distance, the first of equal ones.
int Nearest_Color(const std::vector<quant_color>& colors, int red, int green, int blue) {
    int best = 0;
    int best_distance = 1 << 30;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const quant_color& color = colors[i];
        const int distance = 3 * std::abs(color[0] - red) + 5 * std::abs(color[1] - green) +
                             2 * std::abs(color[2] - blue);
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// The colours prepared for the many searches of one diffusion: all weighed
// at once when there are few enough, else by cells when they are not too
// many, else none of these (each search then weighs every colour).
struct Diffusion_Search {
    bool by_few = false;
    Few_Colors_Search few;
    bool by_cells = false;
    Cell_Search cells;
};

void Prepare_Search(const std::vector<quant_color>& colors, Diffusion_Search* search) {
    std::vector<std::array<int, 3>> channels;
    for (const quant_color& color : colors) {
        channels.push_back({color[0], color[1], color[2]});
    }
    // The weights of Nearest_Color's distance.
    constexpr std::array<int, 3> weights{3, 5, 2};
    search->by_few = has_few_colors_search && colors.size() <= max_few_colors;
    search->by_cells = !search->by_few && colors.size() <= max_cell_search_colors;
    if (search->by_few) {
        Make_Few_Colors_Search(channels, weights, &search->few);
    } else if (search->by_cells) {
        Make_Cell_Search(channels, Channel_Cost::weighted, weights, &search->cells);
    }
}

int Nearest(const Diffusion_Search& search, const std::vector<quant_color>& colors, int red,
            int green, int blue) {
#if defined(__SSE2__)
    if (search.by_few) {
        return Nearest_Of_Few<Channel_Cost::weighted>(search.few, red, green, blue);
    }
#endif
    return search.by_cells ? Nearest_In_Cells(search.cells, red, green, blue)
                           : Nearest_Color(colors, red, green, blue);
}

// What the lanes' division below gives: the high half of sum x 8739
// (shifted right by 16, as _mm_mulhi_epi16 does), halved, plus one for a
// negative sum; the same as sum / 15 for every sum a pixel can hold.
constexpr int Fifteenths_By_Multiply(int sum) {
    return ((sum * 8739) >> 16 >> 1) - (sum >> 15);
}
static_assert([] {
    for (int sum = -8000; sum <= 8000; ++sum) {
        if (Fifteenths_By_Multiply(sum) != sum / 15) {
            return false;
        }
    }
    return true;
}());

#if defined(__SSE2__)
// Diffuse for colours searched by Nearest_Of_Few, each pixel's sums as 16-bit
// lanes (red, green, blue, 0), its four shares added together. A sum is 15
// times a sample plus shares of four errors of -255..255 whose weights make
// 15, so it stays within -3825..7650; the rows hold one pixel more on either
// side for the shares that would leave the image.
template <class Take>
void Diffuse_By_Few(const std::vector<quant_color>& colors, const Few_Colors_Search& few,
                    const quant_image* image, Take&& take) {
    const auto width = static_cast<std::size_t>(image->width);
    const auto height = static_cast<std::size_t>(image->height);
    std::array<std::array<std::int16_t, 4>, max_few_colors> lanes{};
    for (std::size_t n = 0; n < colors.size(); ++n) {
        lanes[n] = {colors[n][0], colors[n][1], colors[n][2], 0};
    }
    const std::size_t stride = 4 * (width + 2);
    std::vector<std::int16_t> rows;
    try {
        rows.resize(2 * stride);
    } catch (const std::bad_alloc&) {
        Out_Of_Memory();
    }
    const auto load_row = [&](std::size_t i) {
        std::int16_t* row = rows.data() + (i & 1) * stride;
        const std::uint8_t* samples = image->pixels + i * width * 3;
        std::fill_n(row, 4, std::int16_t{0});
        std::fill_n(row + 4 * (width + 1), 4, std::int16_t{0});
        for (std::size_t j = 0; j < width; ++j) {
            row[4 * j + 4] = static_cast<std::int16_t>(samples[3 * j] * 15);
            row[4 * j + 5] = static_cast<std::int16_t>(samples[3 * j + 1] * 15);
            row[4 * j + 6] = static_cast<std::int16_t>(samples[3 * j + 2] * 15);
            row[4 * j + 7] = 0;
        }
    };
    // sum / 15, rounding towards zero, as Fifteenths_By_Multiply.
    const auto fifteenths = [](__m128i sum) {
        const __m128i floor = _mm_srai_epi16(_mm_mulhi_epi16(sum, _mm_set1_epi16(8739)), 1);
        return _mm_sub_epi16(floor, _mm_srai_epi16(sum, 15));
    };
    const __m128i weights_below = _mm_setr_epi16(1, 1, 1, 0, 5, 5, 5, 0);
    const __m128i weights_below_right = _mm_setr_epi16(2, 2, 2, 0, 0, 0, 0, 0);
    const __m128i weights_right = _mm_setr_epi16(7, 7, 7, 0, 0, 0, 0, 0);
    const __m128i top = _mm_set1_epi16(255);
    if (height > 0) {
        load_row(0);
    }
    for (std::size_t i = 0; i < height; ++i) {
        std::int16_t* row = rows.data() + (i & 1) * stride + 4;
        std::int16_t* below = rows.data() + ((i + 1) & 1) * stride + 4;
        if (i + 1 < height) {
            load_row(i + 1);
        }
        __m128i sum = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row));
        // The sums below left and below, kept here between steps and stored
        // once complete, so that no load spans two earlier stores.
        __m128i below_pair = _mm_unpacklo_epi64(
            _mm_setzero_si128(), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(below)));
        for (std::size_t j = 0; j < width; ++j) {
            const __m128i value =
                _mm_min_epi16(_mm_max_epi16(fifteenths(sum), _mm_setzero_si128()), top);
            const int chosen = Nearest_Of_Few<Channel_Cost::weighted>(few, value);
            take(i * width + j, chosen);
            const __m128i error = _mm_sub_epi16(
                value, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes[chosen].data())));
            const __m128i both = _mm_unpacklo_epi64(error, error);
            below_pair = _mm_add_epi16(below_pair, _mm_mullo_epi16(both, weights_below));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(below - 4 + 4 * j), below_pair);
            const __m128i below_right =
                _mm_add_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(below + 4 * j + 4)),
                              _mm_mullo_epi16(error, weights_below_right));
            below_pair = _mm_castpd_si128(
                _mm_shuffle_pd(_mm_castsi128_pd(below_pair), _mm_castsi128_pd(below_right), 1));
            sum = _mm_add_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 4 * j + 4)),
                                _mm_mullo_epi16(error, weights_right));
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(below - 4 + 4 * width), below_pair);
    }
}
#endif

// Error diffusion onto the colours: each pixel, in row-major order, is
// handed to take as (pixel number, number of its colour).
template <class Take>
void Diffuse(const std::vector<quant_color>& colors, const quant_image* image, Take&& take) {
    if (colors.empty()) {
        return;
    }
    Diffusion_Search search;
    Prepare_Search(colors, &search);
#if defined(__SSE2__)
    if (search.by_few) {
        Diffuse_By_Few(colors, search.few, image, take);
        return;
    }
#endif
    const auto width = static_cast<std::size_t>(image->width);
    const auto height = static_cast<std::size_t>(image->height);
    // A column more on each side and a row more below take the shares that
    // would leave the image, so that every pixel passes all four alike.
    const std::size_t stride = (width + 2) * 3;
    std::vector<std::int32_t> sums;
    try {
        sums.resize(stride * (height + 1));
    } catch (const std::bad_alloc&) {
        Out_Of_Memory();
    }
    // Kept in units of 1/15 so that the weights 7, 5, 2 and 1 add up exactly.
    for (std::size_t i = 0; i < height; ++i) {
        const std::uint8_t* samples = image->pixels + i * width * 3;
        std::int32_t* row = sums.data() + i * stride + 3;
        for (std::size_t k = 0; k < width * 3; ++k) {
            row[k] = samples[k] * 15;
        }
    }
    for (std::size_t i = 0; i < height; ++i) {
        std::int32_t* value = sums.data() + i * stride + 3;
        for (std::size_t j = 0; j < width; ++j, value += 3) {
            for (int c = 0; c < 3; ++c) {
                value[c] = Clamp_Channel(value[c] / 15);
            }
            const int chosen = Nearest(search, colors, value[0], value[1], value[2]);
            const quant_color& color = colors[static_cast<std::size_t>(chosen)];
            take(i * width + j, chosen);
            std::int32_t* below = value + stride;
            for (int c = 0; c < 3; ++c) {
                const int error = value[c] - color[static_cast<std::size_t>(c)];
                value[3 + c] += error * 7;
                below[c - 3] += error;
                below[c] += error * 5;
                below[3 + c] += error * 2;
            }
        }
    }
}

void Write_Diffused(const std::vector<quant_color>& colors, const quant_image* image,
                    std::uint8_t* pixels) {
    Diffuse(colors, image, [&](std::size_t pixel, int chosen) {
        const quant_color& color = colors[static_cast<std::size_t>(chosen)];
        std::copy(color.begin(), color.end(), pixels + 3 * pixel);
    });
}

// Numbers the reduced colours in order of first appearance: each of the
// reduction's colours is looked up once, and equal colours share a number.
class Color_Numbering {
  public:
    Color_Numbering(std::size_t colors, quant_numbered* out_) : of_color(colors, -1), out(out_) {
        out->colors.clear();
    }

    std::uint8_t Number(std::size_t at, const quant_color& color) {
        if (of_color[at] < 0) {
            of_color[at] = Find_Or_Add(color);
        }
        return static_cast<std::uint8_t>(of_color[at]);
    }

  private:
    int Find_Or_Add(const quant_color& color) {
        std::vector<std::uint8_t>& colors = out->colors;
        for (std::size_t at = 0; at < colors.size(); at += 3) {
            if (std::equal(color.begin(), color.end(),
                           colors.begin() + static_cast<std::ptrdiff_t>(at))) {
                return static_cast<int>(at / 3);
            }
        }
        colors.insert(colors.end(), color.begin(), color.end());
        return static_cast<int>(colors.size() / 3 - 1);
    }

    std::vector<int> of_color;
    quant_numbered* out;
};

// The colour number of each leaf's pixels without dithering, the leaves
// taken in turn until out has received as many colours as until_colors;
// out receives the colours.
template <class Kind>
std::vector<std::uint8_t> Number_Leaves(const Tree<Kind>& tree, const Pixel_Leaves& leaves,
                                        std::size_t until_colors, quant_numbered* out) {
    // Every node a pixel reaches holds a reduced colour, so it is in the heap.
    Color_Numbering numbering(static_cast<std::size_t>(tree.heap.end), out);
    // Leaves are numbered in the order of their first pixels, so their
    // colours come in the pixels' order of first appearance.
    std::vector<std::uint8_t> of_leaf(leaves.paths.size());
    const Reach_Table<Kind> reach(tree);
    for (std::size_t n = 0; n < of_leaf.size() && out->colors.size() / 3 < until_colors; ++n) {
        const std::uint32_t reached = reach.Reached(leaves.paths[n]);
        quant_color color;
        Write_Node_Color(tree.nodes[reached], color.data());
        of_leaf[n] = numbering.Number(static_cast<std::size_t>(tree.heap.slot_of[reached]), color);
    }
    return of_leaf;
}

std::size_t Distinct_Colors(const std::vector<quant_color>& colors) {
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        distinct += std::find(colors.begin(), colors.begin() + static_cast<std::ptrdiff_t>(i),
                              colors[i]) == colors.begin() + static_cast<std::ptrdiff_t>(i);
    }
    return distinct;
}

template <class Kind>
void Number_Plain(const Tree<Kind>& tree, const Pixel_Leaves& leaves, quant_numbered* out) {
    const std::vector<std::uint8_t> of_leaf =
        Number_Leaves(tree, leaves, std::numeric_limits<std::size_t>::max(), out);
    out->numbers.resize(leaves.of_pixel.size());
    for (std::size_t i = 0; i < leaves.of_pixel.size(); ++i) {
        out->numbers[i] = of_leaf[static_cast<std::size_t>(leaves.of_pixel[i])];
    }
}

void Number_Diffused(const std::vector<quant_color>& colors, const quant_image* image,
                     quant_numbered* out) {
    Color_Numbering numbering(colors.size(), out);
    out->numbers.resize(Pixel_Count(image));
    Diffuse(colors, image, [&](std::size_t pixel, int chosen) {
        const auto at = static_cast<std::size_t>(chosen);
        out->numbers[pixel] = numbering.Number(at, colors[at]);
    });
}

template <class Kind>
void Write_Plain(const Tree<Kind>& tree, const Pixel_Leaves& leaves, std::uint8_t* pixels) {
    const std::vector<std::uint32_t> reached = Reached_Nodes(tree, leaves);
    for (std::size_t i = 0; i < leaves.of_pixel.size(); ++i) {
        Write_Node_Color(tree.nodes[reached[static_cast<std::size_t>(leaves.of_pixel[i])]],
                         pixels + 3 * i);
    }
}

// What a huge image needed is not kept for the small ones after it.
void Release_Large(Octree_Workspace::Parts& parts) {
    constexpr std::size_t kept_pixels = std::size_t{1} << 16;
    constexpr std::size_t kept_table_entries = std::size_t{1} << 16;
    constexpr std::size_t kept_heap_room = std::size_t{1} << 17;
    constexpr std::size_t kept_node_bytes = std::size_t{16} << 20;
    if (parts.pixel_leaves.of_pixel.size() > kept_pixels) {
        parts.pixel_leaves = Pixel_Leaves{};
    }
    if (parts.leaf_table.entries.size() > kept_table_entries) {
        parts.leaf_table.entries = {};
    }
    if (parts.small_heap.room > kept_heap_room) {
        parts.small_heap = {};
    }
    parts.large_heap = {};
    parts.large_sums = {};
    if (parts.small_sums.size() > kept_pixels) {
        parts.small_sums = {};
    }
    if (parts.sorted.size() > kept_pixels) {
        parts.sorted = {};
        parts.sort_room = {};
    }
    if (parts.pool.bytes > kept_node_bytes) {
        parts.pool = Node_Memory{};
    }
}

// Reduces the image in the workspace with the record its size needs, then
// hands the tree and the pixels' leaves to finish.
template <class Finish>
void Reduce_In(const quant_image* image, int n_colors, Octree_Workspace& workspace,
               Finish&& finish) {
    Octree_Workspace::Parts& parts = *workspace.parts;
    const std::size_t pixels = Pixel_Count(image);
    const auto run = [&]<class Kind>(Kind) {
        using Node = typename Kind::Node;
        const std::size_t most_nodes = Most_Nodes(pixels);
        auto* nodes = static_cast<Node*>(Node_Room(&parts.pool, most_nodes * sizeof(Node)));
        auto& heap = Heap_Of<Kind>(parts);
        Make_Heap_Room(&heap, most_nodes);
        Tree<Kind> tree{nodes, 0, heap};
        Reduce(tree, image, n_colors, parts);
        finish(std::as_const(tree), std::as_const(parts.pixel_leaves));
    };
    if (pixels <= small_tree_pixels) {
        run(Small_Kind{});
    } else {
        run(Large_Kind{});
    }
    Release_Large(parts);
}

} // namespace

void color_quant(quant_image* image, int n_colors, int dither, Octree_Workspace& workspace) {
    Reduce_In(image, n_colors, workspace, [&](const auto& tree, const Pixel_Leaves& leaves) {
        if (dither) {
            Write_Diffused(Heap_Colors(tree), image, image->pixels);
        } else {
            Write_Plain(tree, leaves, image->pixels);
        }
    });
}

void color_quant_both(const quant_image* image, int n_colors, std::uint8_t* plain,
                      std::uint8_t* diffused, Octree_Workspace& workspace) {
    Reduce_In(image, n_colors, workspace, [&](const auto& tree, const Pixel_Leaves& leaves) {
        Write_Plain(tree, leaves, plain);
        Write_Diffused(Heap_Colors(tree), image, diffused);
    });
}

void color_quant_numbered(const quant_image* image, int n_colors, quant_numbered* plain,
                          quant_numbered* diffused, Octree_Workspace& workspace) {
    Reduce_In(image, n_colors, workspace, [&](const auto& tree, const Pixel_Leaves& leaves) {
        if (plain) {
            Number_Plain(tree, leaves, plain);
        }
        if (diffused) {
            Number_Diffused(Heap_Colors(tree), image, diffused);
        }
    });
}

void color_diffuse(quant_image* image, const std::vector<quant_color>& colors) {
    Write_Diffused(colors, image, image->pixels);
}

std::vector<std::uint8_t> color_quant_colors(const quant_image* image, int n_colors,
                                             Octree_Workspace& workspace) {
    quant_numbered reduced;
    Reduce_In(image, n_colors, workspace, [&](const auto& tree, const Pixel_Leaves& leaves) {
        // Once every reduced colour has been met, no later leaf brings another.
        Number_Leaves(tree, leaves, Distinct_Colors(Heap_Colors(tree)), &reduced);
    });
    return reduced.colors;
}
