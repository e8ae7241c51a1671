#include <gtest/gtest.h>

#include "quant/OctQuant_Steps.h"
#include "support/Test_Images.h"

#include <set>
#include <thread>
#include <tuple>

namespace {

octree_node Node(int pixel_count, int depth, int child_count = 0) {
    octree_node node{};
    node.pixel_count = pixel_count;
    node.depth = static_cast<std::uint8_t>(depth);
    node.child_count = static_cast<std::uint8_t>(child_count);
    return node;
}

octree_node Colour_Node(int red, int green, int blue) {
    octree_node node{};
    node.red = red;
    node.green = green;
    node.blue = blue;
    node.pixel_count = 1;
    node.depth = 7;
    return node;
}

void Expect_Slots_Consistent(const fold_heap& heap) {
    for (int i = 1; i < heap.end; ++i) {
        EXPECT_EQ(heap.slots[i]->heap_slot, i);
    }
}

std::vector<std::uint8_t> Bytes_Of(const std::vector<DTPixel>& pixels) {
    std::vector<std::uint8_t> bytes;
    for (const DTPixel& p : pixels) {
        bytes.insert(bytes.end(), {p.r, p.g, p.b});
    }
    return bytes;
}

std::vector<DTPixel> Pixels_Of(const std::vector<std::uint8_t>& bytes) {
    std::vector<DTPixel> pixels;
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
        pixels.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
    }
    return pixels;
}

std::vector<DTPixel> Quantized(int width, int height, const std::vector<DTPixel>& pixels,
                               int n_colors, int dither) {
    std::vector<std::uint8_t> bytes = Bytes_Of(pixels);
    quant_image image{width, height, bytes.data()};
    color_quant(&image, n_colors, dither);
    return Pixels_Of(bytes);
}

std::size_t Distinct(const std::vector<DTPixel>& pixels) {
    std::set<std::tuple<int, int, int>> colours;
    for (const DTPixel& p : pixels) {
        colours.insert({p.r, p.g, p.b});
    }
    return colours.size();
}

} // namespace

TEST(OctreeHeapOrder, FewerChildrenFirstThenWeightByDepth) {
    const octree_node leaf_127 = Node(127, 7);
    const octree_node leaf_128 = Node(128, 7);
    const octree_node leaf_1 = Node(1, 7);
    // Below 128 pixels every leaf weighs 0; at 128 it weighs 1.
    EXPECT_EQ(cmp_node(&leaf_127, &leaf_128), -1);
    EXPECT_EQ(cmp_node(&leaf_128, &leaf_127), 1);
    EXPECT_EQ(cmp_node(&leaf_127, &leaf_1), 0);
    // A shallower node needs fewer pixels for the same weight.
    const octree_node depth_6 = Node(64, 6);
    EXPECT_EQ(cmp_node(&depth_6, &leaf_128), 0);
    EXPECT_EQ(cmp_node(&depth_6, &leaf_127), 1);
    // Any childless node comes before one with children, whatever the weight.
    const octree_node parent = Node(0, 3, 1);
    const octree_node heavy_leaf = Node(100000, 7);
    EXPECT_EQ(cmp_node(&heavy_leaf, &parent), -1);
    EXPECT_EQ(cmp_node(&parent, &heavy_leaf), 1);
    const octree_node two_children = Node(0, 3, 2);
    EXPECT_EQ(cmp_node(&parent, &two_children), -1);
}

TEST(OctreeHeapOrder, EqualKeysComeOutInTheOrderTheSiftsGive) {
    std::vector<octree_node> nodes(5, Node(1, 7));
    fold_heap heap;
    for (octree_node& node : nodes) {
        heap_add(&heap, &node);
    }
    EXPECT_EQ(heap.end, 6);
    EXPECT_EQ(heap.capacity, 1024);
    Expect_Slots_Consistent(heap);
    // A stable queue would give 0 1 2 3 4; the last entry moving to the top
    // and staying there on ties gives this.
    const int expected[] = {0, 4, 3, 2, 1};
    for (int index : expected) {
        octree_node* popped = pop_heap(&heap);
        ASSERT_EQ(popped, &nodes[index]);
        EXPECT_TRUE(popped->flags & NODE_IN_HEAP);
        Expect_Slots_Consistent(heap);
    }
    EXPECT_EQ(pop_heap(&heap), nullptr);
}

TEST(OctreeHeapOrder, SiftsByKeyAndResortsAGrownNode) {
    octree_node x = Node(1, 0), y = Node(2, 0), z = Node(3, 0);
    fold_heap heap;
    heap_add(&heap, &z);
    heap_add(&heap, &y);
    heap_add(&heap, &x);
    // Each new node rose to the top, pushing the old top into its slot.
    EXPECT_EQ(heap.slots[1], &x);
    EXPECT_EQ(heap.slots[2], &z);
    EXPECT_EQ(heap.slots[3], &y);
    Expect_Slots_Consistent(heap);
    x.pixel_count = 5;
    heap_add(&heap, &x); // already in the heap: re-sorted, not added twice
    // It sinks towards the smaller child, y.
    EXPECT_EQ(heap.end, 4);
    EXPECT_EQ(heap.slots[1], &y);
    EXPECT_EQ(heap.slots[2], &z);
    EXPECT_EQ(heap.slots[3], &x);
    Expect_Slots_Consistent(heap);
    EXPECT_EQ(pop_heap(&heap), &y);
    EXPECT_EQ(pop_heap(&heap), &z);
    EXPECT_EQ(pop_heap(&heap), &x);
    EXPECT_EQ(pop_heap(&heap), nullptr);
}

TEST(OctreeHeapOrder, DownSiftTakesTheLeftChildOnATie) {
    octree_node a = Node(1, 0), b = Node(2, 0), c = Node(2, 0);
    fold_heap heap;
    heap_add(&heap, &a);
    heap_add(&heap, &b);
    heap_add(&heap, &c);
    a.pixel_count = 9;
    heap_add(&heap, &a);
    EXPECT_EQ(heap.slots[1], &b);
    EXPECT_EQ(heap.slots[2], &a);
    EXPECT_EQ(heap.slots[3], &c);
    Expect_Slots_Consistent(heap);
}

TEST(OctreeHeapOrder, DownSiftFollowsTheSmallerChild) {
    octree_node top = Node(9, 0), left = Node(2, 0), right = Node(2, 0);
    fold_heap heap;
    heap_add(&heap, &top);
    heap_add(&heap, &left);  // rises above top
    heap_add(&heap, &right); // ties with left, stays at 3
    ASSERT_EQ(heap.slots[1], &left);
    ASSERT_EQ(heap.slots[2], &top);
    ASSERT_EQ(heap.slots[3], &right);
    left.pixel_count = 20;
    heap_add(&heap, &left);
    // top (9) and right (2): right is smaller, so it rises.
    EXPECT_EQ(heap.slots[1], &right);
    EXPECT_EQ(heap.slots[3], &left);
    Expect_Slots_Consistent(heap);
}

TEST(OctreeHeapOrder, GrowsInStepsOf1024) {
    std::vector<octree_node> nodes(1100, Node(1, 7));
    fold_heap heap;
    for (std::size_t i = 0; i < 1023; ++i) {
        heap_add(&heap, &nodes[i]);
    }
    EXPECT_EQ(heap.capacity, 1024);
    heap_add(&heap, &nodes[1023]); // end reaches 1024
    EXPECT_EQ(heap.capacity, 2048);
    EXPECT_EQ(heap.end, 1025);
    Expect_Slots_Consistent(heap);
}

TEST(OctreeInsert, ChildIndexIsGreenRedBlueBitsFromTheTopDown) {
    octree_node* root = node_new(0, 0, nullptr);
    const std::uint8_t red[3] = {0x80, 0, 0};
    octree_node* leaf = node_insert(root, red);
    EXPECT_EQ(leaf->depth, 7);
    EXPECT_EQ(leaf->pixel_count, 1);
    EXPECT_EQ(leaf->red, 0x80);
    ASSERT_NE(root->children[2], nullptr);
    EXPECT_EQ(root->child_count, 1);
    EXPECT_EQ(root->children[2]->child_slot, 2);
    EXPECT_EQ(root->children[2]->depth, 1);
    EXPECT_EQ(root->children[2]->parent, root);
    const std::uint8_t green[3] = {0, 0x80, 0};
    const std::uint8_t blue[3] = {0, 0, 0x80};
    node_insert(root, green);
    node_insert(root, blue);
    EXPECT_NE(root->children[4], nullptr);
    EXPECT_NE(root->children[1], nullptr);
    EXPECT_EQ(root->child_count, 3);
    // Depth 7 uses the second-lowest bit; the lowest selects nothing.
    const std::uint8_t two[3] = {0x82, 0, 0};
    const std::uint8_t three[3] = {0x83, 0, 1};
    octree_node* leaf_two = node_insert(root, two);
    EXPECT_NE(leaf_two, leaf);
    EXPECT_EQ(leaf_two->parent, leaf->parent);
    EXPECT_EQ(leaf_two->child_slot, 2);
    EXPECT_EQ(node_insert(root, three), leaf_two);
    EXPECT_EQ(leaf_two->pixel_count, 2);
    EXPECT_EQ(leaf_two->red, 0x82 + 0x83);
    EXPECT_EQ(leaf_two->blue, 1);
}

namespace {

// What a heap holds, node by node in slot order, as values.
std::vector<std::tuple<int, int, std::int64_t, std::int64_t, std::int64_t>>
Heap_Contents(const fold_heap& heap) {
    std::vector<std::tuple<int, int, std::int64_t, std::int64_t, std::int64_t>> contents;
    for (int i = 1; i < heap.end; ++i) {
        const octree_node* node = heap.slots[static_cast<std::size_t>(i)];
        contents.emplace_back(node->depth, node->pixel_count, node->red, node->green, node->blue);
    }
    return contents;
}

} // namespace

TEST(OctreeInsert, InsertPixelsLeavesTheHeapOfInsertingEveryPixel) {
    // Patterns, a few colours whose leaves pass many multiples of 128 pixels
    // (and so change weight), and noise with more leaves than the leaf table
    // first has room for.
    std::vector<DTImage> images = {Pattern_Image(128, 96, 1), Pattern_Image(300, 300, 2)};
    DTImage few;
    few.width = 128;
    few.height = 96;
    for (int n = 0; n < 128 * 96; ++n) {
        const auto v = static_cast<std::uint8_t>((n * 7 / 13) % 5 * 60 + n % 2);
        few.pixels.push_back({v, static_cast<std::uint8_t>(255 - v), 9});
    }
    images.push_back(few);
    // Three colours passing multiples of 128 while new leaves keep coming:
    // a missed re-sort would leave new leaves in the wrong places.
    DTImage mixed;
    mixed.width = 128;
    mixed.height = 96;
    for (int n = 0; n < 128 * 96; ++n) {
        const auto k = static_cast<std::uint8_t>(n / 2);
        mixed.pixels.push_back(n % 2 ? DTPixel{k, static_cast<std::uint8_t>(n >> 8), 77}
                                     : DTPixel{static_cast<std::uint8_t>(n % 3 * 90), 200, 3});
    }
    images.push_back(mixed);
    DTImage noise;
    noise.width = 256;
    noise.height = 256;
    std::uint32_t state = 12345;
    for (int n = 0; n < 256 * 256; ++n) {
        state = state * 1664525u + 1013904223u;
        noise.pixels.push_back({static_cast<std::uint8_t>(state >> 24),
                                static_cast<std::uint8_t>(state >> 16),
                                static_cast<std::uint8_t>(state >> 8)});
    }
    images.push_back(noise);
    for (const DTImage& image : images) {
        std::vector<std::uint8_t> bytes = Bytes_Of(image.pixels);
        const quant_image quant{image.width, image.height, bytes.data()};
        fold_heap one_by_one;
        octree_node* root = node_new(0, 0, nullptr);
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            heap_add(&one_by_one, node_insert(root, bytes.data() + 3 * i));
        }
        fold_heap at_once;
        leaf_numbers numbers;
        insert_pixels(node_new(0, 0, nullptr), &quant, &at_once, &numbers);
        EXPECT_EQ(Heap_Contents(at_once), Heap_Contents(one_by_one)) << image.width;
        Expect_Slots_Consistent(at_once);
        // Every pixel is numbered with its own leaf.
        ASSERT_EQ(numbers.of_pixel.size(), image.pixels.size());
        for (std::size_t i = 0; i < image.pixels.size(); i += 97) {
            const octree_node* leaf = numbers.leaves[static_cast<std::size_t>(numbers.of_pixel[i])];
            const std::uint32_t path = numbers.paths[static_cast<std::size_t>(numbers.of_pixel[i])];
            EXPECT_EQ(path >> 16, image.pixels[i].r & 0xFEu);
            EXPECT_EQ(leaf->depth, 7);
        }
    }
}

TEST(OctreeFold, MergesIntoTheParentAndDetaches) {
    octree_node* root = node_new(0, 0, nullptr);
    const std::uint8_t a[3] = {10, 20, 30};
    const std::uint8_t b[3] = {8, 20, 30}; // differs only in bit 0x02
    octree_node* leaf_a = node_insert(root, a);
    octree_node* leaf_b = node_insert(root, b);
    octree_node* parent = leaf_a->parent;
    ASSERT_EQ(parent, leaf_b->parent);
    ASSERT_EQ(parent->child_count, 2);
    EXPECT_EQ(node_fold(leaf_a), parent);
    EXPECT_EQ(parent->child_count, 1);
    EXPECT_EQ(parent->children[leaf_a->child_slot], nullptr);
    EXPECT_EQ(parent->pixel_count, 1);
    EXPECT_EQ(parent->red, 10);
    EXPECT_EQ(node_fold(leaf_b), parent);
    EXPECT_EQ(parent->pixel_count, 2);
    EXPECT_EQ(parent->red, 18);
    EXPECT_EQ(parent->green, 40);
    EXPECT_EQ(parent->blue, 60);
    EXPECT_EQ(parent->child_count, 0);
}

TEST(OctreeFoldDeathTest, FoldingANodeWithChildrenAborts) {
    octree_node* root = node_new(0, 0, nullptr);
    const std::uint8_t pixel[3] = {1, 2, 3};
    octree_node* leaf = node_insert(root, pixel);
    EXPECT_DEATH(node_fold(leaf->parent), "children");
}

TEST(OctreeNearest, WeightedDistanceAndLowestIndexOnTies) {
    octree_node far_blue = Colour_Node(0, 0, 10); // distance 20 from black
    octree_node green = Colour_Node(0, 3, 0);     // 15
    octree_node red = Colour_Node(5, 0, 0);       // 15, added later
    fold_heap heap;
    heap_add(&heap, &far_blue);
    heap_add(&heap, &green);
    heap_add(&heap, &red);
    EXPECT_EQ(nearest_color(0, 0, 0, &heap), &green);
    octree_node low = Colour_Node(10, 0, 0), high = Colour_Node(20, 0, 0);
    fold_heap pair;
    heap_add(&pair, &high);
    heap_add(&pair, &low);
    ASSERT_EQ(pair.slots[1], &high);
    EXPECT_EQ(nearest_color(15, 0, 0, &pair), &high);
    EXPECT_EQ(nearest_color(14, 0, 0, &pair), &low);
}

TEST(OctreeQuant, HandCheckedFoldAndRoundedAverage) {
    // Black and (3, 1, 0) share a depth-6 node; the three leaves all weigh 0,
    // so the heap pops black's leaf first, then (3, 1, 0)'s, leaving their
    // parent with (0 + 3) / 2 + 0.5 = 2 and (0 + 1) / 2 + 0.5 = 1.
    const std::vector<DTPixel> pixels{{0, 0, 0}, {255, 255, 255}, {3, 1, 0}};
    const std::vector<DTPixel> expected{{2, 1, 0}, {255, 255, 255}, {2, 1, 0}};
    EXPECT_EQ(Quantized(3, 1, pixels, 2, 0), expected);
    EXPECT_EQ(Quantized(1, 3, pixels, 2, 0), expected);
}

TEST(OctreeQuant, HeapTiesDecideWhichColoursSurvive) {
    // Four one-pixel leaves in four top-level branches, all of weight 0, and
    // three colours wanted. Black's leaf is popped first and the last entry
    // (blue) moves to the top and is popped next; from then on the two
    // chains above them take turns at the top until both have folded into the
    // root. Red and green survive; black and blue share the root's average,
    // (0, 0, 255 / 2 + 0.5) = (0, 0, 128). A queue that kept insertion order
    // among equal keys would fold red instead of blue.
    const std::vector<DTPixel> pixels{{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const std::vector<DTPixel> expected{{0, 0, 128}, {255, 0, 0}, {0, 255, 0}, {0, 0, 128}};
    EXPECT_EQ(Quantized(4, 1, pixels, 3, 0), expected);
}

TEST(OctreeQuant, NoReductionStillAveragesEachLeaf) {
    // Colours that differ only in their lowest bits share a leaf.
    const std::vector<DTPixel> pixels{{10, 20, 30}, {11, 21, 31}, {200, 100, 50}};
    const std::vector<DTPixel> halves = Quantized(3, 1, pixels, 16, 0);
    EXPECT_EQ(halves[0], (DTPixel{11, 21, 31})); // x.5 rounds up
    EXPECT_EQ(halves[1], (DTPixel{11, 21, 31}));
    EXPECT_EQ(halves[2], (DTPixel{200, 100, 50}));
    const std::vector<DTPixel> thirds =
        Quantized(3, 1, {{10, 20, 30}, {10, 20, 30}, {11, 21, 31}}, 16, 0);
    EXPECT_EQ(thirds[2], (DTPixel{10, 20, 30})); // x.33 rounds down
}

TEST(OctreeQuant, OneColourComesOutUnchangedEitherWay) {
    const std::vector<DTPixel> pixels(12, DTPixel{77, 140, 3});
    EXPECT_EQ(Quantized(4, 3, pixels, 16, 0), pixels);
    EXPECT_EQ(Quantized(4, 3, pixels, 16, 1), pixels);
    EXPECT_EQ(Quantized(4, 3, pixels, 1, 1), pixels);
}

TEST(OctreeQuant, LeavesAtMostTheWantedNumberOfColours) {
    const DTImage image = Pattern_Image(128, 96, 7);
    ASSERT_GT(Distinct(image.pixels), 1000u);
    for (int n : {1, 2, 5, 16}) {
        for (int dither : {0, 1}) {
            SCOPED_TRACE(std::to_string(n) + " colours, dither " + std::to_string(dither));
            const std::vector<DTPixel> result = Quantized(128, 96, image.pixels, n, dither);
            EXPECT_LE(Distinct(result), static_cast<std::size_t>(n));
            EXPECT_GE(Distinct(result), 1u);
        }
    }
}

TEST(OctreeQuant, SuccessiveCallsAreIndependent) {
    const DTImage first = Pattern_Image(128, 96, 1);
    const DTImage second = Pattern_Image(128, 96, 2);
    const std::vector<DTPixel> alone_plain = Quantized(128, 96, second.pixels, 16, 0);
    const std::vector<DTPixel> alone_dithered = Quantized(128, 96, second.pixels, 16, 1);
    // Many trees later, built in the slots of earlier ones, nothing has changed.
    for (int round = 0; round < 3; ++round) {
        Quantized(128, 96, first.pixels, 16, round % 2);
        EXPECT_EQ(Quantized(128, 96, second.pixels, 16, 0), alone_plain);
        EXPECT_EQ(Quantized(128, 96, second.pixels, 16, 1), alone_dithered);
    }
}

TEST(OctreePool, ThreadsReduceAtOnceEachWithItsOwnPool) {
    const DTImage image = Pattern_Image(128, 96, 6);
    const std::vector<DTPixel> plain = Quantized(128, 96, image.pixels, 16, 0);
    const std::vector<DTPixel> dithered = Quantized(128, 96, image.pixels, 16, 1);
    std::vector<std::vector<DTPixel>> results(8);
    std::vector<std::size_t> blocks(results.size());
    {
        std::vector<std::jthread> threads;
        for (std::size_t t = 0; t < results.size(); ++t) {
            threads.emplace_back([&, t] {
                EXPECT_EQ(node_pool_blocks(), 0u);
                for (int round = 0; round < 5; ++round) {
                    results[t] = Quantized(128, 96, image.pixels, 16, static_cast<int>(t % 2));
                }
                blocks[t] = node_pool_blocks();
            });
        }
    }
    for (std::size_t t = 0; t < results.size(); ++t) {
        EXPECT_EQ(results[t], t % 2 ? dithered : plain) << t;
        // One tree's worth, however many trees the thread made.
        EXPECT_EQ(blocks[t], blocks[0]) << t;
        EXPECT_GE(blocks[t], 1u);
    }
}

TEST(OctreePool, NodesComeFromBlocksHandedOutDownward) {
    octree_node* first = node_new(0, 0, nullptr);
    octree_node* second = node_new(3, 2, first);
    EXPECT_EQ(first->child_count, 1);
    EXPECT_EQ(second->parent, first);
    EXPECT_EQ(second->child_slot, 3);
    EXPECT_EQ(second->depth, 2);
    EXPECT_EQ(second->pixel_count, 0);
    // Consecutive nodes of one block lie one slot apart, going down; at a
    // block's end the next node comes from a new block. 2046 nodes a block.
    int new_blocks = 0;
    octree_node* previous = second;
    for (int i = 0; i < 5000; ++i) {
        octree_node* node = node_new(0, 1, nullptr);
        if (node != previous - 1) {
            ++new_blocks;
        }
        EXPECT_EQ(node->child_count, 0);
        previous = node;
    }
    EXPECT_GE(new_blocks, 2);
    EXPECT_LE(new_blocks, 3);
}

TEST(OctreeHeapOrder, CachedKeysOrderNodesAsTheComparisonDoes) {
    std::vector<octree_node> nodes;
    for (int children = 0; children <= 8; children += 2) {
        for (int depth : {0, 1, 3, 6, 7}) {
            for (int count : {0, 1, 63, 64, 127, 128, 255, 256, 12288}) {
                nodes.push_back(Node(count, depth, children));
            }
        }
    }
    for (const octree_node& a : nodes) {
        for (const octree_node& b : nodes) {
            const std::int64_t ka = heap_key(&a), kb = heap_key(&b);
            ASSERT_EQ(cmp_node(&a, &b), ka < kb ? -1 : (ka > kb ? 1 : 0));
        }
    }
}

TEST(OctreeQuant, FewerThanOneColourMeansOne) {
    const std::vector<DTPixel> pixels{{0, 0, 0}, {255, 255, 255}};
    EXPECT_EQ(Quantized(2, 1, pixels, 0, 0), (std::vector<DTPixel>(2, DTPixel{128, 128, 128})));
}

TEST(OctreePool, EachReductionReusesTheBlocksOfTheLastOne) {
    const DTImage image = Pattern_Image(128, 96, 4);
    std::vector<std::uint8_t> bytes;
    for (const DTPixel& p : image.pixels) {
        bytes.insert(bytes.end(), {p.r, p.g, p.b});
    }
    std::vector<std::uint8_t> first = bytes;
    quant_image a{128, 96, first.data()};
    color_quant(&a, 16, 1);
    const std::size_t blocks = node_pool_blocks();
    EXPECT_GE(blocks, 2u);

    // The next reduction starts at the top of the first block again, and
    // the slot that held the last tree's root comes back zeroed.
    node_pool_restart();
    octree_node* root = node_new(0, 0, nullptr);
    root->pixel_count = 99;
    root->flags = NODE_IN_HEAP;
    node_pool_restart();
    octree_node* again = node_new(3, 2, nullptr);
    EXPECT_EQ(again, root);
    EXPECT_EQ(again->pixel_count, 0);
    EXPECT_EQ(again->flags, 0);
    EXPECT_EQ(again->child_slot, 3);
    EXPECT_EQ(again->depth, 2);

    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> next = bytes;
        quant_image b{128, 96, next.data()};
        color_quant(&b, 16, round % 2 == 0 ? 1 : 0);
        if (round % 2 == 0) {
            EXPECT_EQ(next, first);
        }
    }
    EXPECT_EQ(node_pool_blocks(), blocks);
}
