// Both reductions from one tree must give exactly what two separate calls
// give, for any image and colour count, and so must their colour numbers
// and colours.

#include <gtest/gtest.h>

#include "quant/OctQuant.h"
#include "support/Test_Images.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes_Of(const DTImage& image) {
    std::vector<std::uint8_t> bytes;
    for (const DTPixel& pixel : image.pixels) {
        bytes.insert(bytes.end(), {pixel.r, pixel.g, pixel.b});
    }
    return bytes;
}

std::vector<std::uint8_t> Quantized(std::vector<std::uint8_t> bytes, int width, int height,
                                    int colors, int dither) {
    quant_image image{width, height, bytes.data()};
    Octree_Workspace workspace;
    color_quant(&image, colors, dither, workspace);
    return bytes;
}

// The pixels that the numbers stand for, after checking that the colours are
// distinct and numbered in order of first appearance.
std::vector<std::uint8_t> Pixels_Of(const quant_numbered& numbered) {
    std::set<std::vector<std::uint8_t>> distinct;
    for (std::size_t at = 0; at < numbered.colors.size(); at += 3) {
        distinct.insert({numbered.colors.begin() + static_cast<std::ptrdiff_t>(at),
                         numbered.colors.begin() + static_cast<std::ptrdiff_t>(at) + 3});
    }
    EXPECT_EQ(distinct.size() * 3, numbered.colors.size()) << "a colour came twice";
    std::vector<std::uint8_t> pixels;
    int next = 0;
    for (const std::uint8_t number : numbered.numbers) {
        EXPECT_LE(number, next) << "numbered out of order";
        next = std::max(next, number + 1);
        pixels.insert(pixels.end(), numbered.colors.begin() + 3 * number,
                      numbered.colors.begin() + 3 * number + 3);
    }
    EXPECT_EQ(next * 3, static_cast<int>(numbered.colors.size())) << "a colour never used";
    return pixels;
}

TEST(OctreeQuantBoth, EqualsTheTwoSeparateCalls) {
    struct Case {
        int width, height, colors;
        unsigned seed;
    };
    for (const Case c : {Case{128, 96, 16, 1}, Case{128, 96, 16, 2}, Case{31, 7, 3, 3},
                         Case{5, 40, 1, 4}, Case{64, 64, 200, 5}}) {
        const std::vector<std::uint8_t> input = Bytes_Of(Pattern_Image(c.width, c.height, c.seed));
        std::vector<std::uint8_t> untouched = input;
        const quant_image image{c.width, c.height, untouched.data()};
        std::vector<std::uint8_t> plain(input.size());
        std::vector<std::uint8_t> diffused(input.size());
        Octree_Workspace workspace;
        color_quant_both(&image, c.colors, plain.data(), diffused.data(), workspace);
        quant_numbered plain_numbered;
        quant_numbered diffused_numbered;
        color_quant_numbered(&image, c.colors, &plain_numbered, &diffused_numbered, workspace);

        EXPECT_EQ(untouched, input) << "the input was changed";
        EXPECT_EQ(plain, Quantized(input, c.width, c.height, c.colors, 0)) << c.seed;
        EXPECT_EQ(diffused, Quantized(input, c.width, c.height, c.colors, 1)) << c.seed;
        EXPECT_EQ(Pixels_Of(plain_numbered), plain) << c.seed;
        EXPECT_EQ(Pixels_Of(diffused_numbered), diffused) << c.seed;
        EXPECT_EQ(color_quant_colors(&image, c.colors, workspace), plain_numbered.colors) << c.seed;
        if (c.colors > 1) {
            EXPECT_NE(plain, diffused) << c.seed; // the two really differ
        }
    }
}

} // namespace
