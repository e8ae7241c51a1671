#include <gtest/gtest.h>

#include "quant/Color_Difference.h"

#include <array>
#include <cmath>

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
