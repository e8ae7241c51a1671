#include <gtest/gtest.h>

#include "quant/OctQuant.h"
#include "support/Test_Images.h"

#include <set>
#include <string>
#include <thread>
#include <tuple>

namespace {

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
                               int n_colors, int dither, Octree_Workspace& workspace) {
    std::vector<std::uint8_t> bytes = Bytes_Of(pixels);
    quant_image image{width, height, bytes.data()};
    color_quant(&image, n_colors, dither, workspace);
    return Pixels_Of(bytes);
}

// In a workspace of its own.
std::vector<DTPixel> Quantized(int width, int height, const std::vector<DTPixel>& pixels,
                               int n_colors, int dither) {
    Octree_Workspace workspace;
    return Quantized(width, height, pixels, n_colors, dither, workspace);
}

std::size_t Distinct(const std::vector<DTPixel>& pixels) {
    std::set<std::tuple<int, int, int>> colours;
    for (const DTPixel& p : pixels) {
        colours.insert({p.r, p.g, p.b});
    }
    return colours.size();
}

DTImage Noise_Image(int width, int height, std::uint32_t seed) {
    DTImage noise;
    noise.width = width;
    noise.height = height;
    for (int n = 0; n < width * height; ++n) {
        seed = seed * 1664525u + 1013904223u;
        noise.pixels.push_back({static_cast<std::uint8_t>(seed >> 24),
                                static_cast<std::uint8_t>(seed >> 16),
                                static_cast<std::uint8_t>(seed >> 8)});
    }
    return noise;
}

} // namespace

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

TEST(OctreeQuant, FewerThanOneColourMeansOne) {
    const std::vector<DTPixel> pixels{{0, 0, 0}, {255, 255, 255}};
    EXPECT_EQ(Quantized(2, 1, pixels, 0, 0), (std::vector<DTPixel>(2, DTPixel{128, 128, 128})));
}

TEST(OctreeQuant, SumsPastThirtyTwoBitsStayExact) {
    // 4160 x 4100 pixels of one colour: its sums pass 2^32 (255 x 17 million),
    // as a shared palette's tree of a large batch may.
    const DTPixel colour{201, 255, 250};
    std::vector<std::uint8_t> bytes(std::size_t{4160} * 4100 * 3);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        bytes[i] = colour.r;
        bytes[i + 1] = colour.g;
        bytes[i + 2] = colour.b;
    }
    quant_image image{4160, 4100, bytes.data()};
    Octree_Workspace workspace;
    color_quant(&image, 16, 0, workspace);
    for (std::size_t i = 0; i < bytes.size(); i += 3 * 4099) {
        ASSERT_EQ((DTPixel{bytes[i], bytes[i + 1], bytes[i + 2]}), colour) << i / 3;
    }
    // And the workspace then serves a picture as a fresh one would.
    const DTImage picture = Pattern_Image(128, 96, 3);
    EXPECT_EQ(Quantized(128, 96, picture.pixels, 16, 1, workspace),
              Quantized(128, 96, picture.pixels, 16, 1));
}

namespace {

struct Reduction {
    const DTImage* image;
    int n_colors;
    int dither;
};

// Images of one, several and many leaves (more than the leaf table first has
// room for), reduced in turn.
std::vector<Reduction> Mixed_Reductions(const std::vector<DTImage>& images) {
    std::vector<Reduction> reductions;
    for (int round = 0; round < 2; ++round) {
        for (const DTImage& image : images) {
            for (int dither : {0, 1}) {
                reductions.push_back({&image, round == 0 ? 16 : 3, dither});
            }
        }
    }
    return reductions;
}

std::vector<DTImage> Test_Images() {
    DTImage one_colour;
    one_colour.width = 4;
    one_colour.height = 3;
    one_colour.pixels.assign(12, DTPixel{9, 99, 199});
    return {Pattern_Image(128, 96, 1), Noise_Image(256, 256, 7), one_colour,
            Pattern_Image(128, 96, 2), Pattern_Image(31, 7, 3)};
}

std::vector<DTPixel> Reduced(const Reduction& r, Octree_Workspace& workspace) {
    return Quantized(r.image->width, r.image->height, r.image->pixels, r.n_colors, r.dither,
                     workspace);
}

} // namespace

TEST(OctreeWorkspace, ReusedGivesWhatAFreshOneGives) {
    const std::vector<DTImage> images = Test_Images();
    Octree_Workspace reused;
    for (const Reduction& r : Mixed_Reductions(images)) {
        Octree_Workspace fresh;
        ASSERT_EQ(Reduced(r, reused), Reduced(r, fresh))
            << r.image->width << "x" << r.image->height << ", " << r.n_colors << " colours, dither "
            << r.dither;
    }
}

TEST(OctreeWorkspace, ThreadsWithTheirOwnGiveTheSerialResults) {
    const std::vector<DTImage> images = Test_Images();
    const std::vector<Reduction> reductions = Mixed_Reductions(images);
    std::vector<std::vector<DTPixel>> serial;
    Octree_Workspace workspace;
    for (const Reduction& r : reductions) {
        serial.push_back(Reduced(r, workspace));
    }
    constexpr std::size_t thread_count = 4;
    std::vector<std::vector<std::vector<DTPixel>>> results(thread_count);
    {
        std::vector<std::jthread> threads;
        for (std::size_t t = 0; t < thread_count; ++t) {
            threads.emplace_back([&, t] {
                Octree_Workspace own;
                results[t].resize(reductions.size());
                // Each thread starts at another reduction, so that different
                // trees are built at the same time.
                for (std::size_t k = 0; k < reductions.size(); ++k) {
                    const std::size_t n = (k + t * 3) % reductions.size();
                    results[t][n] = Reduced(reductions[n], own);
                }
            });
        }
    }
    for (std::size_t t = 0; t < thread_count; ++t) {
        EXPECT_EQ(results[t], serial) << t;
    }
}
