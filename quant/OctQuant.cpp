#include "quant/OctQuant.h"

#include "core/Report.h"
#include "quant/Cell_Search.h"
#include "quant/OctQuant_Steps.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <vector>

namespace {

constexpr int pool_block_nodes = 2048;
constexpr int heap_growth = 1024;

// Ends the conversion; the program, or the batch, ends with it.
[[noreturn]] void Out_Of_Memory() {
    Report("Out of memory while reducing colours.\n");
    throw std::bad_alloc();
}

// Memory for a pool's blocks. Each fresh 4 KiB page costs a fault when it is
// first touched, and a picture's tree fills hundreds of pages: on the virtual
// machines we measure on, the faults took more time than the conversion. So
// blocks come several at a time from a 2 MiB chunk that the kernel is asked
// to back with one huge page (one fault); where it cannot, the chunk simply
// works on small pages.
constexpr std::size_t chunk_bytes = std::size_t{2} << 20;
constexpr std::size_t block_bytes = pool_block_nodes * sizeof(octree_node);
constexpr std::size_t blocks_per_chunk = chunk_bytes / block_bytes;
static_assert(blocks_per_chunk >= 1);

struct Free_Chunk {
    void operator()(void* chunk) const { std::free(chunk); }
};

void* New_Chunk() {
    void* chunk = std::aligned_alloc(chunk_bytes, chunk_bytes);
    if (!chunk) {
        Out_Of_Memory();
    }
    // Only advice: without huge pages the chunk is the same memory.
    madvise(chunk, chunk_bytes, MADV_HUGEPAGE);
    return chunk;
}

// The nodes of one thread. A reduction hands its nodes out from the first
// block again (node_pool_restart), so the blocks that the largest tree needed
// are made once and then serve every later call, their pages already there.
struct Node_Pool {
    // The chunks that hold the blocks; freed with the thread.
    std::vector<std::unique_ptr<void, Free_Chunk>> chunks;
    // The thread's blocks in the order they were made.
    std::vector<octree_node*> blocks;
    // The block handing out nodes and the slot it hands out next; a `len`
    // of 1 or less means the next node needs the following block.
    std::size_t next_block = 0;
    octree_node* current = nullptr;
    int len = 0;
};

thread_local Node_Pool node_pool;

// A new zero-filled block, from the last chunk while it has room.
octree_node* New_Block(Node_Pool* pool) {
    const std::size_t in_chunk = pool->blocks.size() % blocks_per_chunk;
    try {
        if (in_chunk == 0) {
            pool->chunks.emplace_back(New_Chunk());
        }
        auto* memory = static_cast<std::byte*>(pool->chunks.back().get()) + in_chunk * block_bytes;
        auto* block = reinterpret_cast<octree_node*>(memory);
        std::uninitialized_value_construct_n(block, pool_block_nodes);
        pool->blocks.push_back(block);
        return block;
    } catch (const std::bad_alloc&) {
        Out_Of_Memory();
    }
}

// Moves on to the pool's next block, making it if the pool has no more.
void Next_Block(Node_Pool* pool) {
    if (pool->next_block == pool->blocks.size()) {
        octree_node* previous = pool->blocks.empty() ? nullptr : pool->blocks.back();
        // Slot 0 is no node: it links the block to the one made before it.
        New_Block(pool)[0].parent = previous;
    }
    pool->current = pool->blocks[pool->next_block++];
    pool->len = pool_block_nodes - 1;
}

int Child_Index(const std::uint8_t* pixel, int bit) {
    return ((pixel[1] & bit) ? 4 : 0) + ((pixel[0] & bit) ? 2 : 0) + ((pixel[2] & bit) ? 1 : 0);
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

std::int64_t Rounded_Average(std::int64_t sum, double count) {
    return static_cast<std::int64_t>(static_cast<double>(sum) / count + 0.5);
}

void Average_Heap_Nodes(const fold_heap* heap) {
    for (int i = 1; i < heap->end; ++i) {
        octree_node* node = heap->slots[i];
        const double count = node->pixel_count;
        node->red = Rounded_Average(node->red, count);
        node->green = Rounded_Average(node->green, count);
        node->blue = Rounded_Average(node->blue, count);
    }
}

std::size_t Pixel_Count(const quant_image* image) {
    return static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height);
}

void Write_Node_Color(const octree_node* node, std::uint8_t* pixel) {
    pixel[0] = static_cast<std::uint8_t>(node->red);
    pixel[1] = static_cast<std::uint8_t>(node->green);
    pixel[2] = static_cast<std::uint8_t>(node->blue);
}

// The seven bits of each channel that lead a pixel to its leaf.
std::uint32_t Path_Of(const std::uint8_t* pixel) {
    return (static_cast<std::uint32_t>(pixel[0]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 |
            pixel[2]) &
           0xFEFEFE;
}

// What node_insert does at the leaf.
void Add_Sample(octree_node* leaf, const std::uint8_t* pixel) {
    leaf->red += pixel[0];
    leaf->green += pixel[1];
    leaf->blue += pixel[2];
    leaf->pixel_count++;
}

// Leaves lie at depth 7, so a leaf's weight, pixel_count >> 7, changes only
// when its count reaches a whole multiple of 128.
constexpr std::int32_t leaf_weight_step = 1 << 7;

// Numbers of known leaves by their paths: open addressing on a hash of the
// path, each entry the leaf's number + 1 (0 for none), never more than half
// full so that searches stay short. Kept per thread, so that its pages serve
// every call.
struct Leaf_Table {
    std::vector<std::uint32_t> entries;
    int shift = 32;
};

thread_local Leaf_Table leaf_table;

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

// A table for a huge image is not kept for the small ones that follow.
void Release_Large_Leaf_Table(Leaf_Table* table) {
    constexpr std::size_t kept_entries = std::size_t{1} << 16;
    if (table->entries.size() > kept_entries) {
        table->entries = {};
    }
}

// The number of the leaf on the path, or numbers->leaves.size() after
// entering the path as the next leaf's when it has none yet.
std::size_t Leaf_Number(Leaf_Table* table, std::uint32_t path, leaf_numbers* numbers) {
    if (2 * (numbers->paths.size() + 1) > table->entries.size()) {
        Grow_Leaf_Table(table, numbers->paths);
    }
    const std::size_t mask = table->entries.size() - 1;
    for (std::size_t at = Hash_Slot(*table, path);; at = (at + 1) & mask) {
        const std::uint32_t entry = table->entries[at];
        if (entry == 0) {
            table->entries[at] = static_cast<std::uint32_t>(numbers->paths.size() + 1);
            numbers->paths.push_back(path);
            return numbers->leaves.size();
        }
        if (numbers->paths[entry - 1] == path) {
            return entry - 1;
        }
    }
}

} // namespace

octree_node* node_new(std::uint8_t child_slot, std::uint8_t depth, octree_node* parent) {
    Node_Pool& pool = node_pool;
    if (pool.len <= 1) {
        Next_Block(&pool);
    }
    octree_node* node = pool.current + pool.len--;
    // A slot used by an earlier tree starts as a fresh one.
    *node = octree_node{};
    node->child_slot = child_slot;
    node->depth = depth;
    node->parent = parent;
    if (parent) {
        parent->child_count++;
    }
    return node;
}

void node_pool_restart() {
    node_pool.next_block = 0;
    node_pool.current = nullptr;
    node_pool.len = 0;
}

std::size_t node_pool_blocks() {
    return node_pool.blocks.size();
}

octree_node* node_insert(octree_node* root, const std::uint8_t* pixel) {
    octree_node* node = root;
    for (int depth = 1, bit = 0x80; depth <= 7; ++depth, bit >>= 1) {
        const int index = Child_Index(pixel, bit);
        if (!node->children[index]) {
            node->children[index] =
                node_new(static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(depth), node);
        }
        node = node->children[index];
    }
    Add_Sample(node, pixel);
    return node;
}

void insert_pixels(octree_node* root, const quant_image* image, fold_heap* heap,
                   leaf_numbers* numbers) {
    const std::size_t count = Pixel_Count(image);
    numbers->of_pixel.resize(count);
    numbers->leaves.clear();
    numbers->paths.clear();
    Restart_Leaf_Table(&leaf_table, count);
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
            __builtin_prefetch(leaf_table.entries.data() +
                               Hash_Slot(leaf_table, Path_Of(pixel + 3 * ahead)));
        }
        if (i == 0 || path != last_path) {
            last_path = path;
            number = Leaf_Number(&leaf_table, path, numbers);
            if (number == numbers->leaves.size()) {
                octree_node* leaf = node_insert(root, pixel);
                numbers->leaves.push_back(leaf);
                numbers->of_pixel[i] = static_cast<std::int32_t>(number);
                heap_add(heap, leaf);
                continue;
            }
        }
        numbers->of_pixel[i] = static_cast<std::int32_t>(number);
        octree_node* leaf = numbers->leaves[number];
        Add_Sample(leaf, pixel);
        // Between those counts heap_add would find the key unchanged and
        // do nothing.
        if (leaf->pixel_count % leaf_weight_step == 0) {
            heap_add(heap, leaf);
        }
    }
    Release_Large_Leaf_Table(&leaf_table);
}

octree_node* node_fold(octree_node* node) {
    if (node->child_count) {
        std::fputs("node_fold: node still has children\n", stderr);
        std::abort();
    }
    octree_node* parent = node->parent;
    parent->pixel_count += node->pixel_count;
    parent->red += node->red;
    parent->green += node->green;
    parent->blue += node->blue;
    parent->child_count--;
    parent->children[node->child_slot] = nullptr;
    return parent;
}

int cmp_node(const octree_node* a, const octree_node* b) {
    if (a->child_count < b->child_count) {
        return -1;
    }
    if (a->child_count > b->child_count) {
        return 1;
    }
    const std::int32_t weight_a = a->pixel_count >> a->depth;
    const std::int32_t weight_b = b->pixel_count >> b->depth;
    if (weight_a < weight_b) {
        return -1;
    }
    return weight_a > weight_b ? 1 : 0;
}

std::int64_t heap_key(const octree_node* node) {
    const std::int32_t weight = node->pixel_count >> node->depth;
    return (static_cast<std::int64_t>(node->child_count) << 32) + weight;
}

// The sifts compare cached keys: keys[a] < keys[b] exactly when
// cmp_node(slots[a], slots[b]) < 0, and every change of a node in the heap is
// followed by heap_add, which refreshes its key.
void up_heap(fold_heap* heap, octree_node* node) {
    int k = node->heap_slot;
    const std::int64_t key = heap->keys[k];
    while (k > 1) {
        const int above = k / 2;
        if (key >= heap->keys[above]) {
            break;
        }
        heap->slots[k] = heap->slots[above];
        heap->keys[k] = heap->keys[above];
        heap->slots[k]->heap_slot = k;
        k = above;
    }
    heap->slots[k] = node;
    heap->keys[k] = key;
    node->heap_slot = k;
}

void down_heap(fold_heap* heap, octree_node* node) {
    int k = node->heap_slot;
    const std::int64_t key = heap->keys[k];
    for (;;) {
        int c = 2 * k;
        if (c >= heap->end) {
            break;
        }
        if (c + 1 < heap->end) {
            // The right child on a strictly smaller key, without a branch:
            // which child wins is a toss-up the processor cannot predict.
            c += heap->keys[c] > heap->keys[c + 1] ? 1 : 0;
        }
        if (key <= heap->keys[c]) {
            break;
        }
        heap->slots[k] = heap->slots[c];
        heap->keys[k] = heap->keys[c];
        heap->slots[k]->heap_slot = k;
        k = c;
    }
    heap->slots[k] = node;
    heap->keys[k] = key;
    node->heap_slot = k;
}

void heap_add(fold_heap* heap, octree_node* node) {
    if (node->flags & NODE_IN_HEAP) {
        const std::int64_t key = heap_key(node);
        // Both sifts would stop at once: most pixels fall into a known leaf
        // without changing its weight.
        if (key == heap->keys[node->heap_slot]) {
            return;
        }
        heap->keys[node->heap_slot] = key;
        down_heap(heap, node);
        up_heap(heap, node);
        return;
    }
    node->flags |= NODE_IN_HEAP;
    if (heap->end == 0) {
        heap->end = 1;
    }
    if (heap->end >= heap->capacity) {
        while (heap->capacity <= heap->end) {
            heap->capacity += heap_growth;
        }
        try {
            heap->slots.resize(static_cast<std::size_t>(heap->capacity));
            heap->keys.resize(static_cast<std::size_t>(heap->capacity));
        } catch (const std::bad_alloc&) {
            Out_Of_Memory();
        }
    }
    node->heap_slot = heap->end;
    heap->keys[heap->end] = heap_key(node);
    heap->slots[heap->end++] = node;
    up_heap(heap, node);
}

octree_node* pop_heap(fold_heap* heap) {
    if (heap->end <= 1) {
        return nullptr;
    }
    octree_node* first = heap->slots[1];
    --heap->end;
    octree_node* moved = heap->slots[heap->end];
    heap->slots[1] = moved;
    heap->keys[1] = heap->keys[heap->end];
    heap->slots[heap->end] = nullptr;
    moved->heap_slot = 1;
    down_heap(heap, moved);
    return first;
}

const octree_node* replacing_node(const octree_node* root, const std::uint8_t* pixel) {
    const octree_node* node = root;
    for (int bit = 0x80; bit != 0; bit >>= 1) {
        const octree_node* child = node->children[Child_Index(pixel, bit)];
        if (!child) {
            break;
        }
        node = child;
    }
    return node;
}

void color_replace(const octree_node* root, std::uint8_t* pixel) {
    Write_Node_Color(replacing_node(root, pixel), pixel);
}

octree_node* nearest_color(int red, int green, int blue, const fold_heap* heap) {
    octree_node* best = nullptr;
    std::int64_t best_distance = 100000000;
    for (int i = 1; i < heap->end; ++i) {
        octree_node* node = heap->slots[i];
        const std::int64_t distance = 3 * std::llabs(node->red - red) +
                                      5 * std::llabs(node->green - green) +
                                      2 * std::llabs(node->blue - blue);
        if (distance < best_distance) {
            best_distance = distance;
            best = node;
        }
    }
    return best;
}

namespace {

bool Is_Channel(std::int64_t value) {
    return value >= 0 && value <= 255;
}

// The heap's colours prepared for the many searches of one diffusion, when
// there are few enough and all are averages in 0..255; false otherwise.
bool Heap_Cell_Search(const fold_heap* heap, Cell_Search* search) {
    std::vector<std::array<int, 3>> colors;
    for (int i = 1; i < heap->end; ++i) {
        const octree_node* node = heap->slots[static_cast<std::size_t>(i)];
        if (!Is_Channel(node->red) || !Is_Channel(node->green) || !Is_Channel(node->blue)) {
            return false;
        }
        colors.push_back({static_cast<int>(node->red), static_cast<int>(node->green),
                          static_cast<int>(node->blue)});
    }
    if (colors.empty() || colors.size() > max_cell_search_colors) {
        return false;
    }
    // The weights of nearest_color's distance.
    Make_Cell_Search(colors, Channel_Cost::weighted, {3, 5, 2}, search);
    return true;
}

} // namespace

void error_diffuse(quant_image* image, const fold_heap* heap) {
    Cell_Search cells;
    const bool by_cells = Heap_Cell_Search(heap, &cells);
    const int width = image->width;
    const int height = image->height;
    const std::size_t samples = static_cast<std::size_t>(width) * height * 3;
    std::vector<std::int32_t> sums;
    try {
        sums.resize(samples);
    } catch (const std::bad_alloc&) {
        Out_Of_Memory();
    }
    // Kept in units of 1/15 so that the weights 7, 5, 2 and 1 add up exactly.
    for (std::size_t i = 0; i < samples; ++i) {
        sums[i] = image->pixels[i] * 15;
    }
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < width; ++j) {
            const std::size_t at = (static_cast<std::size_t>(i) * width + j) * 3;
            std::int32_t* value = &sums[at];
            for (int c = 0; c < 3; ++c) {
                value[c] /= 15;
            }
            for (int c = 0; c < 3; ++c) {
                value[c] = Clamp_Channel(value[c]);
            }
            const octree_node* node =
                by_cells ? heap->slots[static_cast<std::size_t>(
                               1 + Nearest_In_Cells(cells, value[0], value[1], value[2]))]
                         : nearest_color(value[0], value[1], value[2], heap);
            const int error[3] = {value[0] - static_cast<int>(node->red),
                                  value[1] - static_cast<int>(node->green),
                                  value[2] - static_cast<int>(node->blue)};
            Write_Node_Color(node, image->pixels + at);
            const bool has_right = j < width - 1;
            const bool has_below = i < height - 1;
            const std::size_t below = at + static_cast<std::size_t>(width) * 3;
            for (int c = 0; c < 3; ++c) {
                if (has_right) {
                    sums[at + 3 + c] += error[c] * 7;
                }
                if (has_below) {
                    sums[below + c] += error[c] * 5;
                }
                if (has_below && has_right) {
                    sums[below + 3 + c] += error[c] * 2;
                }
                if (has_below && j > 0) {
                    sums[below - 3 + c] += error[c] * 1;
                }
            }
        }
    }
}

namespace {

// The pixels' leaves, kept per thread for the same reason as the leaf table.
thread_local leaf_numbers pixel_leaves;

// Steps 1 to 4 of the reduction: the tree of all pixels, folded until no
// more than n_colors nodes remain in the heap, each holding its average.
octree_node* Reduced_Tree(const quant_image* image, int n_colors, fold_heap* heap,
                          leaf_numbers* numbers) {
    // Fewer than one colour cannot be had; folding would reach the root.
    n_colors = std::max(n_colors, 1);
    node_pool_restart();
    octree_node* root = node_new(0, 0, nullptr);
    insert_pixels(root, image, heap, numbers);
    while (heap->end > n_colors + 1) {
        octree_node* parent = node_fold(pop_heap(heap));
        // The next node to fold is most likely the one now first; its parent
        // lies anywhere in the pool, so its loading starts at once.
        if (heap->end > 1) {
            __builtin_prefetch(heap->slots[1]->parent);
        }
        heap_add(heap, parent);
    }
    Average_Heap_Nodes(heap);
    return root;
}

// color_replace on every pixel. All pixels of a leaf share the bits that
// choose its path (the lowest bit of a channel never selects a child), so
// the node they reach is found once per leaf, from the leaf's path.
void Replace_All(const octree_node* root, const leaf_numbers& numbers, quant_image* image) {
    std::vector<const octree_node*> reached(numbers.paths.size());
    for (std::size_t n = 0; n < reached.size(); ++n) {
        const std::uint32_t path = numbers.paths[n];
        const std::uint8_t pixel[3] = {static_cast<std::uint8_t>(path >> 16),
                                       static_cast<std::uint8_t>(path >> 8),
                                       static_cast<std::uint8_t>(path)};
        reached[n] = replacing_node(root, pixel);
    }
    const std::size_t pixel_count = Pixel_Count(image);
    for (std::size_t i = 0; i < pixel_count; ++i) {
        Write_Node_Color(reached[static_cast<std::size_t>(numbers.of_pixel[i])],
                         image->pixels + 3 * i);
    }
}

// Per-pixel numbers of a huge image are not kept for the small ones after.
void Release_Large_Numbers(leaf_numbers* numbers) {
    constexpr std::size_t kept_pixels = std::size_t{1} << 16;
    if (numbers->of_pixel.size() > kept_pixels) {
        *numbers = leaf_numbers{};
    }
}

} // namespace

void color_quant(quant_image* image, int n_colors, int dither) {
    fold_heap heap;
    const octree_node* root = Reduced_Tree(image, n_colors, &heap, &pixel_leaves);
    if (dither) {
        error_diffuse(image, &heap);
    } else {
        Replace_All(root, pixel_leaves, image);
    }
    Release_Large_Numbers(&pixel_leaves);
}

void color_quant_both(const quant_image* image, int n_colors, std::uint8_t* plain,
                      std::uint8_t* diffused) {
    fold_heap heap;
    const octree_node* root = Reduced_Tree(image, n_colors, &heap, &pixel_leaves);
    // Replace_All writes every pixel of the plain picture.
    quant_image plain_image{image->width, image->height, plain};
    Replace_All(root, pixel_leaves, &plain_image);
    const std::size_t bytes = Pixel_Count(image) * 3;
    std::copy(image->pixels, image->pixels + bytes, diffused);
    quant_image diffused_image{image->width, image->height, diffused};
    error_diffuse(&diffused_image, &heap);
    Release_Large_Numbers(&pixel_leaves);
}
