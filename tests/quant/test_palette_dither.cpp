#include <gtest/gtest.h>

#include "quant/Color_Difference.h"
#include "quant/DTDither.h"
#include "quant/DTPalette.h"
#include "quant/Grid_Refine.h"
#include "quant/Palette_Dither.h"
#include "support/Test_Images.h"

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

DTPixel Grey(int v) {
    const auto b = static_cast<std::uint8_t>(v);
    return {b, b, b};
}

const DTPixel black_white[] = {{0, 0, 0}, {255, 255, 255}};
const DTPalette two_greys{2, black_white};

std::vector<DTPixel> Dithered(int width, int height, std::vector<DTPixel> pixels,
                              const DTPalette& palette) {
    DTImage image = Image_Of(width, height, std::move(pixels));
    ApplyFloydSteinbergDither(&image, palette);
    return image.pixels;
}

} // namespace

TEST(ClosestColor, SmallestSquaredDistanceAndLowestIndexOnTies) {
    const DTPixel colours[] = {{10, 0, 0}, {0, 10, 0}, {0, 0, 9}, {0, 10, 0}};
    const DTPalette palette{4, colours};
    EXPECT_EQ(FindClosestColorFromPalette({0, 0, 0}, palette), (DTPixel{0, 0, 9}));
    // 10 from both of the first two: the first wins.
    EXPECT_EQ(FindClosestColorFromPalette({5, 5, 0}, palette), (DTPixel{10, 0, 0}));
    // Squared distances: (3, 3, 0) is 18 away, (0, 0, 5) 25, though the sum
    // of absolute differences would prefer the latter.
    const DTPixel pair[] = {{0, 0, 5}, {3, 3, 0}};
    EXPECT_EQ(FindClosestColorFromPalette({0, 0, 0}, DTPalette{2, pair}), pair[1]);
    // Extremes stay within the starting distance.
    const DTPixel white[] = {{255, 255, 255}};
    EXPECT_EQ(FindClosestColorFromPalette({0, 0, 0}, DTPalette{1, white}), white[0]);
    // No colours: nothing to choose, the colour comes back.
    EXPECT_EQ(FindClosestColorFromPalette({1, 2, 3}, DTPalette{0, nullptr}), (DTPixel{1, 2, 3}));
}

TEST(DitherSteps, ByteCapAndDifference) {
    EXPECT_EQ(ByteCap(-1), 0);
    EXPECT_EQ(ByteCap(0), 0);
    EXPECT_EQ(ByteCap(200), 200);
    EXPECT_EQ(ByteCap(255), 255);
    EXPECT_EQ(ByteCap(256), 255);
    const DTPixelDifference d = CalculateDifference({0, 255, 100}, {255, 0, 100});
    EXPECT_EQ(d.r, -255);
    EXPECT_EQ(d.g, 255);
    EXPECT_EQ(d.b, 0);
}

TEST(DitherSteps, SharesTruncateTowardZeroAndClampAtOnce) {
    DTPixel pixel{100, 100, 100};
    ApplyDifference(&pixel, {-5, 2, -16}, 3); // -15/16, 6/16, -48/16
    EXPECT_EQ(pixel, (DTPixel{100, 100, 97}));
    ApplyDifference(&pixel, {2, -2, 16}, 7); // 14/16, -14/16, 112/16
    EXPECT_EQ(pixel, (DTPixel{100, 100, 104}));
    DTPixel dark{10, 250, 0};
    ApplyDifference(&dark, {-255, 255, 0}, 5); // -79 and +79, clamped
    EXPECT_EQ(dark, (DTPixel{0, 255, 0}));
    // The clamp happened at once: a later share starts from 0, not -69.
    ApplyDifference(&dark, {100, 0, 0}, 8);
    EXPECT_EQ(dark.r, 50);
}

TEST(FloydSteinberg, HandCheckedTwoByTwo) {
    // (0,0) 100 -> black, passes 43 right, 31 down, 6 down-right.
    // (0,1) 143 -> white, passes -21 down-left and -35 down.
    // (1,0) 110 -> black, passes 48 right; (1,1) 119 -> black.
    const std::vector<DTPixel> result =
        Dithered(2, 2, std::vector<DTPixel>(4, Grey(100)), two_greys);
    EXPECT_EQ(result, (std::vector<DTPixel>{Grey(0), Grey(255), Grey(0), Grey(0)}));
}

TEST(FloydSteinberg, RightShareIsSevenSixteenths) {
    // 100 becomes black and passes 700 / 16 = 43; 128 is the first value
    // nearer to white.
    EXPECT_EQ(Dithered(2, 1, {Grey(100), Grey(85)}, two_greys),
              (std::vector<DTPixel>{Grey(0), Grey(255)}));
    EXPECT_EQ(Dithered(2, 1, {Grey(100), Grey(84)}, two_greys),
              (std::vector<DTPixel>{Grey(0), Grey(0)}));
}

TEST(FloydSteinberg, OneColumnPassesOnlyDownwardFiveSixteenths) {
    // 500 / 16 = 31: 97 reaches 128, 96 only 127.
    EXPECT_EQ(Dithered(1, 2, {Grey(100), Grey(97)}, two_greys),
              (std::vector<DTPixel>{Grey(0), Grey(255)}));
    EXPECT_EQ(Dithered(1, 2, {Grey(100), Grey(96)}, two_greys),
              (std::vector<DTPixel>{Grey(0), Grey(0)}));
}

TEST(FloydSteinberg, DownLeftIsThreeAndDownRightOneSixteenth) {
    // The second pixel of the top row (100) is the only one with an error;
    // the first row's first pixel is black already.
    // Down-left gets 300 / 16 = 18: 110 + 18 = 128 turns white.
    EXPECT_EQ(Dithered(2, 2, {Grey(0), Grey(100), Grey(110), Grey(0)}, two_greys)[2], Grey(255));
    EXPECT_EQ(Dithered(2, 2, {Grey(0), Grey(100), Grey(109), Grey(0)}, two_greys)[2], Grey(0));
    // The first pixel (100) is the only one with an error; its right and
    // down neighbours are white and stay white (clamped), so they pass
    // nothing. Down-right gets 100 / 16 = 6: 122 + 6 = 128 turns white.
    EXPECT_EQ(Dithered(3, 2, {Grey(100), Grey(255), Grey(0), Grey(255), Grey(122), Grey(0)},
                       two_greys)[4],
              Grey(255));
    EXPECT_EQ(Dithered(3, 2, {Grey(100), Grey(255), Grey(0), Grey(255), Grey(121), Grey(0)},
                       two_greys)[4],
              Grey(0));
}

TEST(FloydSteinberg, PaletteColoursStayAndEveryResultIsInThePalette) {
    const DTPixel colours[] = {{0, 0, 0}, {248, 0, 0}, {0, 248, 0}, {0, 0, 248}, {128, 128, 128}};
    const DTPalette palette{5, colours};
    std::vector<DTPixel> exact;
    for (int n = 0; n < 12; ++n) {
        exact.push_back(colours[(n * 3) % 5]);
    }
    EXPECT_EQ(Dithered(4, 3, exact, palette), exact);

    const DTImage pattern = Pattern_Image(40, 30, 3);
    for (const DTPixel& p : Dithered(40, 30, pattern.pixels, palette)) {
        EXPECT_TRUE(std::find(std::begin(colours), std::end(colours), p) != std::end(colours));
    }
}

TEST(FloydSteinberg, IndicesNameTheFirstPositionOfEachResultColour) {
    // Black twice: every black pixel must name position 0.
    const DTPixel colours[] = {{0, 0, 0}, {248, 0, 0}, {0, 0, 0}, {0, 0, 248}, {128, 128, 128}};
    const DTPalette palette{5, colours};
    const DTImage pattern = Pattern_Image(40, 30, 7);
    DTImage with_indices = pattern;
    std::vector<std::uint8_t> indices(pattern.pixels.size(), 99);
    ApplyFloydSteinbergDither(&with_indices, palette, SplitPaletteChannels(palette),
                              indices.data());
    // The colours are those of the plain call.
    EXPECT_EQ(with_indices.pixels, Dithered(40, 30, pattern.pixels, palette));
    for (std::size_t n = 0; n < indices.size(); ++n) {
        ASSERT_LT(indices[n], 5) << n;
        const DTPixel* first =
            std::find(std::begin(colours), std::end(colours), with_indices.pixels[n]);
        EXPECT_EQ(indices[n], first - std::begin(colours)) << n;
    }
}

// The artist's dither kinds (quant/Palette_Dither.h).
namespace {

const std::vector<DTPixel> sixteen_colours{
    {0, 0, 0},     {248, 248, 248}, {248, 0, 0},     {0, 248, 0},  {0, 0, 248},    {248, 248, 0},
    {0, 248, 248}, {248, 0, 248},   {128, 128, 128}, {64, 32, 16}, {200, 160, 96}, {32, 96, 64},
    {96, 64, 160}, {160, 200, 224}, {232, 120, 72},  {16, 16, 56}};

Dither_Kind Kind(int k) {
    return static_cast<Dither_Kind>(k);
}

double Share_Of(const std::vector<std::uint8_t>& indices, int index) {
    return static_cast<double>(std::count(indices.begin(), indices.end(), index)) /
           static_cast<double>(indices.size());
}

} // namespace

TEST(DitherKinds, FloydSteinbergAtFullStrengthIsTheRefinedDither) {
    // refined-dither's bytes depend on it, serpentine asked for or not.
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const DTImage image = Pattern_Image(37, 23, seed);
        const std::vector<DTPixel> palette(sixteen_colours.begin(),
                                           sixteen_colours.begin() + 4 * seed);
        const std::vector<std::uint8_t> expected = Map_Diffused(image, palette);
        EXPECT_EQ(Map_Dithered(image, palette, {Dither_Kind::floyd_steinberg, 100, false}),
                  expected);
        EXPECT_EQ(Map_Dithered(image, palette, {Dither_Kind::floyd_steinberg, 100, true}),
                  expected);
    }
}

TEST(DitherKinds, StrengthZeroIsNearestColourAndOtherStrengthsDiffer) {
    const DTImage image = Pattern_Image(40, 30, 7);
    const std::vector<std::uint8_t> nearest = Map_Nearest(image.pixels, sixteen_colours);
    for (int k = 0; k < dither_kind_count; ++k) {
        SCOPED_TRACE(dither_kind_names[k]);
        EXPECT_EQ(Map_Dithered(image, sixteen_colours, {Kind(k), 0, true}), nearest);
        if (Kind(k) != Dither_Kind::none) {
            const auto half = Map_Dithered(image, sixteen_colours, {Kind(k), 50, false});
            const auto full = Map_Dithered(image, sixteen_colours, {Kind(k), 100, false});
            EXPECT_NE(half, nearest);
            EXPECT_NE(half, full);
        }
    }
}

TEST(DitherKinds, AFlatGreyMixesItsTwoNearestColoursInProportion) {
    // Two greys and two colours far from the greys between them. Error
    // diffusion mixes sRGB values (Atkinson passes on only three quarters, so
    // it is left out); patterns mix light.
    const std::vector<DTPixel> palette{Grey(64), {248, 0, 0}, Grey(192), {0, 0, 248}};
    for (int k = 1; k < dither_kind_count; ++k) {
        const Dither_Kind kind = Kind(k);
        if (kind == Dither_Kind::atkinson) {
            continue;
        }
        for (const int grey : {96, 160}) {
            SCOPED_TRACE(std::string(dither_kind_names[k]) + " " + std::to_string(grey));
            const DTImage image = Image_Of(64, 64, std::vector<DTPixel>(64 * 64, Grey(grey)));
            const auto indices = Map_Dithered(image, palette, {kind, 100, false});
            const double light = Share_Of(indices, 2);
            EXPECT_EQ(light + Share_Of(indices, 0), 1.0);
            const double expected = Is_Ordered(kind)
                                        ? (Srgb_To_Linear(grey) - Srgb_To_Linear(64)) /
                                              (Srgb_To_Linear(192) - Srgb_To_Linear(64))
                                        : (grey - 64) / 128.0;
            EXPECT_NEAR(light, expected, kind == Dither_Kind::bayer2 ? 0.15 : 0.035);
        }
    }
}

TEST(DitherKinds, ErrorDiffusionScansAsAsked) {
    const DTImage image = Pattern_Image(48, 32, 3);
    for (const Dither_Kind kind :
         {Dither_Kind::atkinson, Dither_Kind::sierra_lite, Dither_Kind::jarvis}) {
        SCOPED_TRACE(Dither_Kind_Name(kind));
        const auto forward = Map_Dithered(image, sixteen_colours, {kind, 100, false});
        const auto serpentine = Map_Dithered(image, sixteen_colours, {kind, 100, true});
        // The first row is scanned left to right either way.
        EXPECT_TRUE(std::equal(forward.begin(), forward.begin() + 48, serpentine.begin()));
        EXPECT_NE(forward, serpentine);
    }
}

TEST(DitherKinds, KernelsPassOnTheirPublishedSharesToPixelsNotYetVisited) {
    // Kind, shares, weights in all, divisor: Atkinson passes on 6/8.
    for (const auto& [kind, shares, sum, divisor] :
         {std::tuple{Dither_Kind::floyd_steinberg, 4, 16, 16},
          {Dither_Kind::atkinson, 6, 6, 8},
          {Dither_Kind::sierra_lite, 3, 4, 4},
          {Dither_Kind::jarvis, 12, 48, 48}}) {
        const Diffusion_Kernel kernel = Kernel_Of(kind);
        EXPECT_EQ(static_cast<int>(kernel.shares.size()), shares);
        EXPECT_EQ(kernel.divisor, divisor);
        int total = 0;
        for (const Diffusion_Share& share : kernel.shares) {
            total += share.weight;
            EXPECT_TRUE(share.dy > 0 || (share.dy == 0 && share.dx > 0));
        }
        EXPECT_EQ(total, sum);
    }
}

TEST(OrderedDither, MatricesHoldEveryRankOnceAndBlueNoiseSpreadsItsLowestApart) {
    for (const Dither_Kind kind :
         {Dither_Kind::bayer4, Dither_Kind::bayer8, Dither_Kind::blue_noise}) {
        std::vector<int> ranks = Threshold_Matrix_Of(kind).ranks;
        std::sort(ranks.begin(), ranks.end());
        EXPECT_EQ(
            std::adjacent_find(ranks.begin(), ranks.end(), [](int a, int b) { return b != a + 1; }),
            ranks.end());
        EXPECT_EQ(ranks.front(), 0);
    }
    EXPECT_EQ(Threshold_Matrix_Of(Dither_Kind::bayer2).ranks, (std::vector<int>{0, 2, 3, 1}));
    // The 64 lowest ranks of 4096 lie about 8 apart on the torus; scattered
    // at random, some two would nearly touch.
    const std::vector<int>& mask = Threshold_Matrix_Of(Dither_Kind::blue_noise).ranks;
    int closest = 64 * 64;
    for (int i = 0; i < 4096; ++i) {
        for (int j = i + 1; j < 4096 && mask[i] < 64; ++j) {
            const int dx = std::abs(i % 64 - j % 64);
            const int dy = std::abs(i / 64 - j / 64);
            if (mask[j] < 64) {
                closest = std::min(closest, std::min(dx, 64 - dx) * std::min(dx, 64 - dx) +
                                                std::min(dy, 64 - dy) * std::min(dy, 64 - dy));
            }
        }
    }
    EXPECT_GE(closest, 16);
}

TEST(OrderedDither, OutputRepeatsWithItsTileAndAChangeStaysWhereItIs) {
    for (const Dither_Kind kind :
         {Dither_Kind::bayer2, Dither_Kind::bayer4, Dither_Kind::bayer8, Dither_Kind::blue_noise}) {
        SCOPED_TRACE(Dither_Kind_Name(kind));
        const int side = Threshold_Matrix_Of(kind).side;
        // An image that repeats with the tile: so must its pattern.
        const DTImage tile = Pattern_Image(side, side, 5);
        std::vector<DTPixel> tiled;
        for (int y = 0; y < 96; ++y) {
            for (int x = 0; x < 128; ++x) {
                tiled.push_back(tile.pixels[(y % side) * side + x % side]);
            }
        }
        const auto indices =
            Map_Dithered(Image_Of(128, 96, tiled), sixteen_colours, {kind, 100, false});
        for (int y = 0; y < 96; ++y) {
            for (int x = 0; x < 128; ++x) {
                ASSERT_EQ(indices[y * 128 + x], indices[(y % side) * 128 + x % side])
                    << x << "," << y;
            }
        }
        // Another picture of a series that differs in one 16x16 corner: every
        // pixel outside it keeps its index.
        DTImage changed = Pattern_Image(128, 96, 9);
        const auto before = Map_Dithered(changed, sixteen_colours, {kind, 80, false});
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                changed.pixels[y * 128 + x] = {static_cast<std::uint8_t>(x * 16), 200, 17};
            }
        }
        const auto after = Map_Dithered(changed, sixteen_colours, {kind, 80, false});
        for (int n = 0; n < 128 * 96; ++n) {
            if (n % 128 >= 16 || n / 128 >= 16) {
                ASSERT_EQ(before[n], after[n]) << n;
            }
        }
    }
}

TEST(FloydSteinberg, AgreesWithAStepByStepRestatementOnRandomImages) {
    // Palettes of up to 16 colours and more, pixels at the extremes as well
    // as between them, so that shares clamp at both ends.
    std::mt19937 random(77);
    const auto level = [&] {
        const int kind = static_cast<int>(random() % 4);
        return static_cast<std::uint8_t>(kind == 0 ? 0 : kind == 1 ? 255 : random() % 256);
    };
    for (const int count : {1, 2, 7, 16, 20}) {
        for (const int width : {1, 2, 13}) {
            const int height = 1 + count % 5 + width % 3;
            std::vector<DTPixel> colours(static_cast<std::size_t>(count));
            for (DTPixel& colour : colours) {
                colour = {level(), level(), level()};
            }
            const DTPalette palette{count, colours.data()};
            std::vector<DTPixel> pixels(static_cast<std::size_t>(width * height));
            for (DTPixel& pixel : pixels) {
                pixel = {level(), level(), level()};
            }
            // The definition: nearest colour, then each share added at once.
            std::vector<DTPixel> expected = pixels;
            for (int i = 0; i < height; ++i) {
                for (int j = 0; j < width; ++j) {
                    DTPixel& pixel = expected[static_cast<std::size_t>(i * width + j)];
                    const DTPixel nearest = FindClosestColorFromPalette(pixel, palette);
                    const DTPixelDifference d = CalculateDifference(pixel, nearest);
                    const auto at = [&](int y, int x) {
                        return &expected[static_cast<std::size_t>(y * width + x)];
                    };
                    if (j + 1 < width) {
                        ApplyDifference(at(i, j + 1), d, 7);
                    }
                    if (i + 1 < height) {
                        if (j > 0) {
                            ApplyDifference(at(i + 1, j - 1), d, 3);
                        }
                        ApplyDifference(at(i + 1, j), d, 5);
                        if (j + 1 < width) {
                            ApplyDifference(at(i + 1, j + 1), d, 1);
                        }
                    }
                    pixel = nearest;
                }
            }
            ASSERT_EQ(Dithered(width, height, pixels, palette), expected)
                << count << " colours, " << width << " wide";
            // The indices alone, the image untouched.
            const DTImage image = Image_Of(width, height, pixels);
            std::vector<std::uint8_t> indices(pixels.size());
            FloydSteinbergIndices(image, palette, SplitPaletteChannels(palette), indices.data());
            EXPECT_EQ(image.pixels, pixels);
            for (std::size_t n = 0; n < indices.size(); ++n) {
                ASSERT_EQ(colours[indices[n]], expected[n]) << n;
            }
        }
    }
}
