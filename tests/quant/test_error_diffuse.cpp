#include <gtest/gtest.h>

#include "quant/OctQuant_Steps.h"

#include <algorithm>
#include <array>
#include <random>

namespace {

octree_node Red_Node(int red) {
    octree_node node{};
    node.red = red;
    node.pixel_count = 1;
    node.depth = 7;
    return node;
}

// A heap of averaged colours, the nodes in slot order as given (equal keys
// keep their places).
struct Palette_Heap {
    std::vector<octree_node> nodes;
    fold_heap heap;
    explicit Palette_Heap(std::vector<octree_node> colours) : nodes(std::move(colours)) {
        for (octree_node& node : nodes) {
            heap_add(&heap, &node);
        }
    }
};

// Diffuses a row-major image of red samples (green and blue 0) and gives the
// red results.
std::vector<int> Diffuse_Reds(int width, int height, const std::vector<int>& reds,
                              const Palette_Heap& palette) {
    std::vector<std::uint8_t> bytes;
    for (int red : reds) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(red), 0, 0});
    }
    quant_image image{width, height, bytes.data()};
    error_diffuse(&image, &palette.heap);
    std::vector<int> result;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        result.push_back(bytes[i]);
    }
    return result;
}

// Plain restatement over a 2-D grid, neighbour by neighbour, to compare with.
std::vector<std::uint8_t> Reference_Diffuse(int width, int height,
                                            const std::vector<std::uint8_t>& pixels,
                                            const fold_heap& heap) {
    std::vector<std::vector<std::array<int, 3>>> sums(height,
                                                      std::vector<std::array<int, 3>>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                sums[y][x][c] = pixels[(y * width + x) * 3 + c] * 15;
            }
        }
    }
    struct Share {
        int dx, dy, weight;
    };
    const Share shares[] = {{1, 0, 7}, {0, 1, 5}, {1, 1, 2}, {-1, 1, 1}};
    std::vector<std::uint8_t> out(pixels.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int v[3];
            for (int c = 0; c < 3; ++c) {
                v[c] = std::clamp(sums[y][x][c] / 15, 0, 255);
            }
            const octree_node* node = nearest_color(v[0], v[1], v[2], &heap);
            const int colour[3] = {static_cast<int>(node->red), static_cast<int>(node->green),
                                   static_cast<int>(node->blue)};
            for (int c = 0; c < 3; ++c) {
                out[(y * width + x) * 3 + c] = static_cast<std::uint8_t>(colour[c]);
                for (const Share& s : shares) {
                    const int nx = x + s.dx, ny = y + s.dy;
                    if (nx >= 0 && nx < width && ny < height) {
                        sums[ny][nx][c] += (v[c] - colour[c]) * s.weight;
                    }
                }
            }
        }
    }
    return out;
}

} // namespace

TEST(ErrorDiffusion, WorkedExampleTruncatesAfterTheShares) {
    // The first pixel (60) takes 80 and passes 7 x -20 to the right, which is
    // then visited with (1500 - 140) / 15 = 90 (not 91): nearer to 80 than to
    // 101. Undiffused it would take 101.
    const Palette_Heap palette({Red_Node(80), Red_Node(101)});
    EXPECT_EQ(Diffuse_Reds(2, 1, {60, 100}, palette), (std::vector<int>{80, 80}));
    EXPECT_EQ(Diffuse_Reds(1, 1, {100}, palette), (std::vector<int>{101}));
}

TEST(ErrorDiffusion, RightShareIsSevenFifteenths) {
    // The first pixel (100) becomes 0 and passes 700; 128 is the first value
    // nearer to 255 than to 0.
    const Palette_Heap palette({Red_Node(0), Red_Node(255)});
    // (15 x 82 + 700) / 15 = 128, (15 x 81 + 700) / 15 = 127.
    EXPECT_EQ(Diffuse_Reds(2, 1, {100, 82}, palette), (std::vector<int>{0, 255}));
    EXPECT_EQ(Diffuse_Reds(2, 1, {100, 81}, palette), (std::vector<int>{0, 0}));
}

TEST(ErrorDiffusion, OneColumnPassesOnlyDownwardFiveFifteenths) {
    const Palette_Heap palette({Red_Node(0), Red_Node(255)});
    // (15 x 95 + 500) / 15 = 128, (15 x 90 + 500) / 15 = 123.
    EXPECT_EQ(Diffuse_Reds(1, 2, {100, 95}, palette), (std::vector<int>{0, 255}));
    EXPECT_EQ(Diffuse_Reds(1, 2, {100, 90}, palette), (std::vector<int>{0, 0}));
}

TEST(ErrorDiffusion, ClampsBeforeSearchingAndPassesTheClampedError) {
    {
        // 20 takes 30 and passes -70; the next pixel, 0, is visited with
        // -70 / 15 = -4, clamped to 0, so it passes nothing and the third
        // (16) stays nearer to 30. Unclamped, -4 would pass -28 and make it
        // (240 - 28) / 15 = 14, nearer to 0.
        const Palette_Heap palette({Red_Node(0), Red_Node(30)});
        EXPECT_EQ(Diffuse_Reds(3, 1, {20, 0, 16}, palette), (std::vector<int>{30, 0, 30}));
    }
    {
        // 255 takes 200 and passes 385; the next 255 is visited with 280,
        // clamped to 255, and passes 385 again, leaving the third at
        // (1050 + 385) / 15 = 95, nearer to 0 (unclamped: 107, nearer to 200).
        const Palette_Heap palette({Red_Node(0), Red_Node(200)});
        EXPECT_EQ(Diffuse_Reds(3, 1, {255, 255, 70}, palette), (std::vector<int>{200, 200, 0}));
    }
}

TEST(ErrorDiffusion, AgreesWithAGridRestatementOnRandomImages) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 20; ++trial) {
        const int width = 1 + trial % 7;
        const int height = 1 + trial / 3;
        std::vector<octree_node> colours;
        for (int i = 0; i < 2 + trial % 5; ++i) {
            octree_node node = Red_Node(byte(random));
            node.green = byte(random);
            node.blue = byte(random);
            colours.push_back(node);
        }
        const Palette_Heap palette(colours);
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
        for (std::uint8_t& sample : pixels) {
            sample = static_cast<std::uint8_t>(byte(random));
        }
        const std::vector<std::uint8_t> expected =
            Reference_Diffuse(width, height, pixels, palette.heap);
        quant_image image{width, height, pixels.data()};
        error_diffuse(&image, &palette.heap);
        EXPECT_EQ(pixels, expected) << width << "x" << height;
    }
}
