// Both reductions from one tree must give exactly what two separate calls
// give, for any image and colour count.

#include <gtest/gtest.h>

#include "quant/OctQuant.h"
#include "support/Test_Images.h"

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
    color_quant(&image, colors, dither);
    return bytes;
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
        color_quant_both(&image, c.colors, plain.data(), diffused.data());

        EXPECT_EQ(untouched, input) << "the input was changed";
        EXPECT_EQ(plain, Quantized(input, c.width, c.height, c.colors, 0)) << c.seed;
        EXPECT_EQ(diffused, Quantized(input, c.width, c.height, c.colors, 1)) << c.seed;
        if (c.colors > 1) {
            EXPECT_NE(plain, diffused) << c.seed; // the two really differ
        }
    }
}

} // namespace
