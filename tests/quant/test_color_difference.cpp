#include <gtest/gtest.h>

#include "quant/Color_Difference.h"
#include "quant/Perceived_Difference.h"
#include "support/Test_Images.h"

#include <array>
#include <cmath>
#include <vector>

namespace {

struct Published_Pair {
    Lab_Color first;
    Lab_Color second;
    double delta_e;
};

// The 34 pairs published with the CIEDE2000 implementation notes of Sharma,
// Wu and Dalal (2005), chosen to exercise every branch of the hue and mean-hue
// rules; the differences are given to four decimals.
constexpr std::array<Published_Pair, 34> published_pairs{{
    {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
    {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
    {{50.0000, 2.8361, -74.0200}, {50.0000, 0.0000, -82.7485}, 3.4412},
    {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -1.1848, -84.8006}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -0.9009, -85.5211}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
    {{50.0000, -1.0000, 2.0000}, {50.0000, 0.0000, 0.0000}, 2.3669},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0012}, 7.2195},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
    {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
    {{50.0000, 2.5000, 0.0000}, {61.0000, -5.0000, 29.0000}, 22.8977},
    {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
    {{50.0000, 2.5000, 0.0000}, {58.0000, 24.0000, 15.0000}, 19.4535},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2972, 0.0000}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 1.8634, 0.5757}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2592, 0.3350}, 1.0000},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
    {{61.2901, 3.7196, -5.3901}, {61.4292, 2.2480, -4.9620}, 1.8731},
    {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
    {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
    {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
    {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
    {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
}};

void Expect_Lab_Near(const Lab_Color& lab, double L, double a, double b) {
    EXPECT_NEAR(lab.L, L, 0.01);
    EXPECT_NEAR(lab.a, a, 0.01);
    EXPECT_NEAR(lab.b, b, 0.01);
}

} // namespace

TEST(Ciede2000, MatchesThePublishedPairsToFourDecimals) {
    for (std::size_t i = 0; i < published_pairs.size(); ++i) {
        SCOPED_TRACE("pair " + std::to_string(i + 1));
        const Published_Pair& pair = published_pairs[i];
        const double delta_e = Ciede2000(pair.first, pair.second);
        EXPECT_NEAR(delta_e, pair.delta_e, 0.00005);
        // The formula is symmetric, so the order of the pair must not matter.
        EXPECT_NEAR(Ciede2000(pair.second, pair.first), delta_e, 1e-9);
    }
}

TEST(Ciede2000, EqualColoursDifferByNothing) {
    for (const Published_Pair& pair : published_pairs) {
        EXPECT_EQ(Ciede2000(pair.first, pair.first), 0.0);
    }
}

TEST(SrgbToLab, KnownColoursUnderD65) {
    Expect_Lab_Near(Srgb_To_Lab(0, 0, 0), 0.0, 0.0, 0.0);
    Expect_Lab_Near(Srgb_To_Lab(255, 255, 255), 100.0, 0.0, 0.0);
    Expect_Lab_Near(Srgb_To_Lab(255, 0, 0), 53.2408, 80.0925, 67.2032);
    Expect_Lab_Near(Srgb_To_Lab(0, 255, 0), 87.7347, -86.1827, 83.1793);
    Expect_Lab_Near(Srgb_To_Lab(0, 0, 255), 32.2970, 79.1875, -107.8602);
    // Mid grey stays neutral; the dark end follows the linear part of both curves.
    Expect_Lab_Near(Srgb_To_Lab(128, 128, 128), 53.5850, 0.0, 0.0);
    Expect_Lab_Near(Srgb_To_Lab(1, 1, 1), 0.2740, 0.0, 0.0);
}

namespace {

DTImage Flat_Image(int width, int height, DTPixel colour) {
    return Image_Of(width, height,
                    std::vector<DTPixel>(static_cast<std::size_t>(width) * height, colour));
}

} // namespace

TEST(PerceivedDifference, FlatImagesDifferByTheirColoursAtEveryBlur) {
    // A blur of a flat image is the same flat image only if the weights sum to
    // one and the edges are clamped rather than padded.
    const DTPixel first{200, 40, 90};
    const DTPixel second{180, 60, 100};
    const double expected = Ciede2000(Srgb_To_Lab(200, 40, 90), Srgb_To_Lab(180, 60, 100));
    for (double sigma : {0.0, 1.0, 2.5}) {
        SCOPED_TRACE(sigma);
        const DTImage a = Flat_Image(20, 12, first);
        const DTImage b = Flat_Image(20, 12, second);
        EXPECT_NEAR(Perceived_Difference(a, b, sigma), expected, 1e-4);
        EXPECT_NEAR(Perceived_Difference(b, a, sigma), expected, 1e-4);
        EXPECT_EQ(Perceived_Difference(a, a, sigma), 0.0);
    }
}

TEST(PerceivedDifference, ACheckerboardLooksLikeItsMeanInLinearLight) {
    std::vector<DTPixel> checker;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            checker.push_back((x + y) % 2 ? DTPixel{255, 255, 255} : DTPixel{0, 0, 0});
        }
    }
    const DTImage board = Image_Of(32, 32, checker);
    // Half of white's light is 188 in sRGB; 128 is the mean of the codes, the
    // answer of a blur that forgot the gamma.
    const double to_linear_mean = Perceived_Difference(board, Flat_Image(32, 32, {188, 188, 188}));
    const double to_code_mean = Perceived_Difference(board, Flat_Image(32, 32, {128, 128, 128}));
    EXPECT_LT(to_linear_mean, 0.6);
    EXPECT_GT(to_code_mean, 15.0);
    // Unblurred, every pixel is far from grey.
    EXPECT_GT(Perceived_Difference(board, Flat_Image(32, 32, {188, 188, 188}), 0.0), 20.0);
}
