#include <gtest/gtest.h>

#include "quant/Grid_Refine.h"
#include "quant/Palette_Dither.h"
#include "quant/Palette_Refit.h"
#include "support/Test_Images.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

DTPixel Grey(int value) {
    const auto v = static_cast<std::uint8_t>(value);
    return {v, v, v};
}

std::int64_t Squared_Error(const std::vector<DTPixel>& pixels, const std::vector<DTPixel>& palette,
                           const std::vector<std::uint8_t>& indices) {
    std::int64_t error = 0;
    for (std::size_t n = 0; n < pixels.size(); ++n) {
        error += Squared_Distance(pixels[n], palette[indices[n]]);
    }
    return error;
}

// Sixteen colours on the grid, far apart from each other.
std::vector<DTPixel> Spread_Grid_Colours() {
    std::vector<DTPixel> colours;
    for (int i = 0; i < 16; ++i) {
        colours.push_back({static_cast<std::uint8_t>((i & 1) ? 200 : 40),
                           static_cast<std::uint8_t>((i & 2) ? 208 : 32),
                           static_cast<std::uint8_t>(((i & 4) ? 160 : 24) + ((i & 8) ? 64 : 0))});
    }
    return colours;
}

void Expect_Valid_Palette(const std::vector<DTPixel>& palette, int max_colors) {
    ASSERT_FALSE(palette.empty());
    EXPECT_LE(static_cast<int>(palette.size()), max_colors);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        EXPECT_TRUE(On_Grid(palette[i]))
            << int{palette[i].r} << "," << int{palette[i].g} << "," << int{palette[i].b};
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(palette[i] == palette[j]) << "entries " << j << " and " << i;
        }
    }
}

} // namespace

TEST(GridLevels, NearestLevelRoundsHalvesUpAndStopsAtTheTop) {
    const std::pair<int, int> cases[] = {{0, 0},     {3, 0},     {4, 8},     {11, 8},
                                         {12, 16},   {100, 104}, {243, 240}, {244, 248},
                                         {252, 248}, {255, 248}, {-5, 0}};
    for (const auto& [value, level] : cases) {
        EXPECT_EQ(Nearest_Level(value), level) << value;
    }
    EXPECT_TRUE(On_Grid({0, 8, 248}));
    EXPECT_FALSE(On_Grid({0, 8, 255}));
    EXPECT_FALSE(On_Grid({0, 9, 248}));
    EXPECT_TRUE(Nearest_Grid_Color({13, 4, 255}) == (DTPixel{16, 8, 248}));
}

TEST(GridLevels, NearestIndexTakesTheLowestIndexOnATie) {
    const std::vector<DTPixel> palette{Grey(0), Grey(16), Grey(8), Grey(16)};
    EXPECT_EQ(Nearest_Index(palette, Grey(12)), 1); // 16 and 8 are both 4 away
    EXPECT_EQ(Nearest_Index(palette, Grey(4)), 0);
    EXPECT_EQ(Nearest_Index(palette, Grey(200)), 1);
}

TEST(RefineGridPalette, PhotoLikeImagesGiveAtMostSixteenDistinctGridColours) {
    for (unsigned seed : {1u, 7u, 21u, 99u}) {
        SCOPED_TRACE(seed);
        const DTImage image = Pattern_Image(128, 96, seed);
        const std::vector<DTPixel> start{{10, 20, 30}, {200, 100, 50}, {255, 255, 255}};
        const std::vector<DTPixel> palette = Refine_Grid_Palette(image.pixels, start, 16);
        Expect_Valid_Palette(palette, 16);
        EXPECT_EQ(palette.size(), 16u);
        // The fit must do better than the start colours put on the grid.
        std::vector<DTPixel> start_on_grid;
        for (const DTPixel& colour : start) {
            start_on_grid.push_back(Nearest_Grid_Color(colour));
        }
        EXPECT_LT(
            Squared_Error(image.pixels, palette, Map_Nearest(image.pixels, palette)),
            Squared_Error(image.pixels, start_on_grid, Map_Nearest(image.pixels, start_on_grid)));
    }
}

TEST(RefineGridPalette, FewerAllowedColoursAreRespected) {
    const DTImage image = Pattern_Image(128, 96, 5);
    for (int max_colors : {1, 2, 5, 16}) {
        Expect_Valid_Palette(Refine_Grid_Palette(image.pixels, {}, max_colors), max_colors);
    }
    // Numbers out of range are brought into it.
    Expect_Valid_Palette(Refine_Grid_Palette(image.pixels, {}, 40), 16);
    Expect_Valid_Palette(Refine_Grid_Palette(image.pixels, {}, 0), 1);
}

TEST(RefineGridPalette, OneColourIsTheGridColourNearestTheMean) {
    // Means 101.5 (rounds to 104), 50 (to 48) and 3 (to 0).
    std::vector<DTPixel> pixels;
    for (int n = 0; n < 100; ++n) {
        pixels.push_back({static_cast<std::uint8_t>(n % 2 ? 90 : 113), 50,
                          static_cast<std::uint8_t>(n % 2 ? 0 : 6)});
    }
    const std::vector<DTPixel> palette = Refine_Grid_Palette(pixels, {{255, 0, 0}}, 1);
    ASSERT_EQ(palette.size(), 1u);
    EXPECT_TRUE(palette[0] == (DTPixel{104, 48, 0}));
}

TEST(RefineGridPalette, FewDisplayableColoursAreKeptExactly) {
    // Pixels on the grid, or near it, whose nearest grid colours are 16 at
    // most: those are the palette, in order of first appearance.
    const std::vector<DTPixel> colours = Spread_Grid_Colours();
    std::vector<DTPixel> pixels;
    for (int n = 0; n < 12288; ++n) {
        const DTPixel c = colours[(n * 7 + n / 128) % 16];
        pixels.push_back({static_cast<std::uint8_t>(c.r + (n % 3) - 1), c.g,
                          static_cast<std::uint8_t>(c.b + (n % 5 == 0 ? 3 : 0))});
    }
    const std::vector<DTPixel> palette = Refine_Grid_Palette(pixels, {Grey(128)}, 16);
    ASSERT_EQ(palette.size(), 16u);
    for (std::size_t n = 0; n < pixels.size(); ++n) {
        ASSERT_TRUE(palette[Nearest_Index(palette, pixels[n])] == Nearest_Grid_Color(pixels[n]));
    }
    EXPECT_TRUE(palette[0] == colours[0]);
}

TEST(RefineGridPalette, FindsSixteenWellSeparatedClusters) {
    // Every pixel within 6 of one of 16 grid colours: more than 16 nearest
    // grid colours, so the fit must find the clusters by itself.
    const std::vector<DTPixel> colours = Spread_Grid_Colours();
    std::vector<DTPixel> pixels;
    std::uint32_t state = 17;
    for (int n = 0; n < 12288; ++n) {
        state = state * 1664525u + 1013904223u;
        const DTPixel c = colours[(state >> 8) % 16];
        const int noise = static_cast<int>((state >> 20) % 13) - 6;
        pixels.push_back({static_cast<std::uint8_t>(c.r + noise),
                          static_cast<std::uint8_t>(c.g - noise / 2),
                          static_cast<std::uint8_t>(c.b + noise / 3)});
    }
    std::vector<DTPixel> palette = Refine_Grid_Palette(pixels, {Grey(0), Grey(248)}, 16);
    ASSERT_EQ(palette.size(), 16u);
    for (const DTPixel& colour : colours) {
        EXPECT_NE(std::find(palette.begin(), palette.end(), colour), palette.end())
            << int{colour.r} << "," << int{colour.g} << "," << int{colour.b};
    }
}

TEST(RefineGridPalette, SameInputSamePalette) {
    const DTImage image = Pattern_Image(128, 96, 33);
    const std::vector<DTPixel> start{{1, 2, 3}, {90, 80, 70}};
    const std::vector<DTPixel> first = Refine_Grid_Palette(image.pixels, start, 16);
    Refine_Grid_Palette(Pattern_Image(128, 96, 34).pixels, start, 16);
    EXPECT_EQ(Refine_Grid_Palette(image.pixels, start, 16), first);
}

TEST(MapNearest, EachPixelTakesItsNearestEntry) {
    const std::vector<DTPixel> palette{Grey(0), Grey(128), Grey(248)};
    const std::vector<DTPixel> pixels{Grey(10), Grey(64), Grey(65), Grey(190), Grey(255)};
    EXPECT_EQ(Map_Nearest(pixels, palette), (std::vector<std::uint8_t>{0, 0, 1, 2, 2}));
}

TEST(MapDiffused, ErrorGoesOnInSerpentineOrder) {
    // Worked by hand: row 0 runs left to right, row 1 right to left, and the
    // shares are kept in sixteenths.
    const DTImage image = Image_Of(2, 2, std::vector<DTPixel>(4, Grey(100)));
    const std::vector<DTPixel> palette{Grey(0), Grey(248)};
    EXPECT_EQ(Map_Diffused(image, palette), (std::vector<std::uint8_t>{0, 1, 1, 0}));
}

TEST(MapDiffused, FlatAreasKeepTheirMeanBetweenTwoLevels) {
    const DTImage image = Image_Of(128, 96, std::vector<DTPixel>(12288, {100, 101, 99}));
    const std::vector<DTPixel> palette{Grey(96), Grey(104)};
    const std::vector<std::uint8_t> indices = Map_Diffused(image, palette);
    std::array<std::int64_t, 3> sum{};
    for (const std::uint8_t index : indices) {
        ASSERT_LT(index, 2);
        sum[0] += palette[index].r;
    }
    // Neither level alone: the mixture averages out to the wanted value.
    EXPECT_NEAR(static_cast<double>(sum[0]) / 12288.0, 100.0, 0.2);
}

TEST(MapDiffused, ColoursOfThePaletteStayAsTheyAre) {
    const std::vector<DTPixel> colours = Spread_Grid_Colours();
    std::vector<DTPixel> pixels;
    for (int n = 0; n < 12288; ++n) {
        pixels.push_back(colours[(n / 3 + n / 128) % 16]);
    }
    const DTImage image = Image_Of(128, 96, pixels);
    EXPECT_EQ(Map_Diffused(image, colours), Map_Nearest(pixels, colours));
}

TEST(RefitPalette, FindsTheColoursOfBlocksOnTheLevelsAndLeavesTheRest) {
    // Blocks of four grid colours, each block given its own index, and a
    // palette that is off by a few levels; entry 4 is used by no pixel and
    // entry 3 is held.
    const std::vector<DTPixel> colours = {{200, 40, 96}, {16, 136, 240}, {88, 88, 88}, {8, 8, 0}};
    std::vector<DTPixel> pixels;
    std::vector<std::uint8_t> indices;
    for (int n = 0; n < 128 * 96; ++n) {
        const int block = (n % 128 < 64 ? 0 : 1) + (n / 128 < 48 ? 0 : 2);
        pixels.push_back(colours[block]);
        indices.push_back(static_cast<std::uint8_t>(block));
    }
    const Viewing_Model model = Make_Viewing_Model(Image_Of(128, 96, pixels));
    const std::vector<DTPixel> start = {
        {176, 64, 72}, {40, 112, 248}, {112, 72, 104}, {24, 24, 24}, {248, 0, 0}};
    const std::vector<bool> movable = {true, true, true, false, true};
    const std::vector<DTPixel> refitted = Refit_Palette(model, start, movable, indices);
    ASSERT_EQ(refitted.size(), start.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(refitted[i] == colours[i]) << i;
    }
    EXPECT_TRUE(refitted[3] == start[3]) << "held";
    EXPECT_TRUE(refitted[4] == start[4]) << "unused";
    // Nothing better on the levels: a second refit gives the same palette.
    EXPECT_TRUE(Refit_Palette(model, refitted, movable, indices) == refitted);
}

TEST(RefineGridPalette, KeptColoursComeFirstOnTheGridAndTheRestFitsAroundThem) {
    // Off the grid, a repeat, and a colour no pixel is near.
    const std::vector<DTPixel> kept{{3, 3, 3}, {250, 251, 252}, {0, 0, 0}, {248, 0, 248}};
    const std::vector<DTPixel> shown_kept{{0, 0, 0}, {248, 248, 248}, {248, 0, 248}};
    for (unsigned seed : {4u, 17u}) {
        SCOPED_TRACE(seed);
        const DTImage image = Pattern_Image(128, 96, seed);
        const std::vector<DTPixel> free_fit = Refine_Grid_Palette(image.pixels, {}, 16);
        const std::vector<DTPixel> palette = Refine_Grid_Palette(image.pixels, {}, 16, kept);
        Expect_Valid_Palette(palette, 16);
        ASSERT_EQ(palette.size(), 16u);
        EXPECT_TRUE(std::equal(shown_kept.begin(), shown_kept.end(), palette.begin()));
        // The other thirteen are fitted, not the free fit's cut short: the
        // error stays near the free fit's.
        const auto error = Squared_Error(image.pixels, palette, Map_Nearest(image.pixels, palette));
        const auto free_error =
            Squared_Error(image.pixels, free_fit, Map_Nearest(image.pixels, free_fit));
        EXPECT_LT(error, free_error * 5 / 4);
        std::vector<DTPixel> cut(free_fit.begin(), free_fit.begin() + 13);
        cut.insert(cut.begin(), shown_kept.begin(), shown_kept.end());
        EXPECT_LE(error, Squared_Error(image.pixels, cut, Map_Nearest(image.pixels, cut)));
    }
}

TEST(RefineGridPalette, KeptColoursAloneOrBesideEveryColourShown) {
    const std::vector<DTPixel> spread = Spread_Grid_Colours();
    const DTImage image = Pattern_Image(64, 48, 2);
    // Sixteen kept colours are the palette, whatever the pixels.
    EXPECT_EQ(Refine_Grid_Palette(image.pixels, {}, 16, spread), spread);
    EXPECT_EQ(Refine_Grid_Palette({}, {}, 16, {spread[3]}), std::vector<DTPixel>{spread[3]});
    // Room for the kept colours and every colour the pixels show: all come out exactly.
    std::vector<DTPixel> pixels;
    for (int n = 0; n < 600; ++n) {
        pixels.push_back(spread[(n / 7) % 5]);
    }
    const std::vector<DTPixel> palette =
        Refine_Grid_Palette(pixels, {}, 16, {spread[9], spread[2]});
    EXPECT_EQ(palette, (std::vector<DTPixel>{spread[9], spread[2], spread[0], spread[1], spread[3],
                                             spread[4]}));
}
