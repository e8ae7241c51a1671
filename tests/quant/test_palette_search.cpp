// The palette search made for many lookups must give the very entry that the
// plain search gives, ties and palettes of any length included.

#include <gtest/gtest.h>

#include "quant/Cell_Search.h"
#include "quant/DTPalette.h"

#include <random>
#include <vector>

namespace {

int First_Index_Of(const std::vector<DTPixel>& palette, DTPixel color) {
    for (std::size_t i = 0; i < palette.size(); ++i) {
        if (palette[i] == color) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TEST(PaletteSearch, SplitChannelsFindTheSameFirstNearestEntry) {
    std::mt19937 random(11);
    for (const int count : {1, 2, 5, 15, 16, 17, 33, 40, 64, 65, 70}) {
        // Coarse colours: many equal distances, some entries twice.
        std::vector<DTPixel> palette(static_cast<std::size_t>(count));
        for (DTPixel& entry : palette) {
            entry = {static_cast<std::uint8_t>(random() % 5 * 60),
                     static_cast<std::uint8_t>(random() % 5 * 60),
                     static_cast<std::uint8_t>(random() % 3 * 120)};
        }
        const DTPalette view{count, palette.data()};
        const DTPaletteChannels channels = SplitPaletteChannels(view);
        for (int n = 0; n < 20000; ++n) {
            const DTPixel color{static_cast<std::uint8_t>(random()),
                                static_cast<std::uint8_t>(random()),
                                static_cast<std::uint8_t>(random() % 2 ? random() : 255)};
            const int expected = First_Index_Of(palette, FindClosestColorFromPalette(color, view));
            ASSERT_EQ(FindClosestIndex(color, channels), expected) << count << " entries";
        }
    }
}

TEST(PaletteSearch, TiesGoToTheLowestIndexAcrossGroups) {
    // Entry 3 and entry 20 (in the second group of 16) lie equally near.
    std::vector<DTPixel> palette(24, DTPixel{0, 0, 0});
    palette[3] = {100, 100, 100};
    palette[20] = {100, 100, 100};
    const DTPaletteChannels channels = SplitPaletteChannels({24, palette.data()});
    EXPECT_EQ(FindClosestIndex({101, 99, 100}, channels), 3);
    palette[3] = {100, 100, 98};
    const DTPaletteChannels later = SplitPaletteChannels({24, palette.data()});
    EXPECT_EQ(FindClosestIndex({101, 99, 100}, later), 20);
}

TEST(CellSearch, WeighsOnlyColoursThatCanBeNearestYetFindsTheFirstNearest) {
    // Colours spread, crowded into one cell, and on both sides of cell
    // borders; squared and weighted distances.
    std::mt19937 random(5);
    const auto level = [&](int kind) {
        switch (kind) {
        case 0:
            return static_cast<int>(random() % 256);
        case 1:
            return 96 + static_cast<int>(random() % 8);
        default:
            return 31 + 32 * static_cast<int>(random() % 7) + static_cast<int>(random() % 2);
        }
    };
    for (const Channel_Cost kind : {Channel_Cost::squared, Channel_Cost::weighted}) {
        for (int spread = 0; spread < 3; ++spread) {
            for (const std::size_t count : {1u, 3u, 16u, 64u}) {
                std::vector<std::array<int, 3>> colors(count);
                for (std::array<int, 3>& color : colors) {
                    color = {level(spread), level(spread), level(spread)};
                }
                const std::array<int, 3> weights{3, 5, 2};
                Cell_Search search;
                Make_Cell_Search(colors, kind, weights, &search);
                for (int n = 0; n < 20000; ++n) {
                    const int pixel[3] = {level(n % 3), level((n + 1) % 3), level(n % 2)};
                    int expected = 0;
                    int best = 1 << 30;
                    for (std::size_t i = 0; i < count; ++i) {
                        int distance = 0;
                        for (int c = 0; c < 3; ++c) {
                            const int d = pixel[c] - colors[i][c];
                            distance +=
                                kind == Channel_Cost::squared ? d * d : weights[c] * std::abs(d);
                        }
                        if (distance < best) {
                            best = distance;
                            expected = static_cast<int>(i);
                        }
                    }
                    ASSERT_EQ(Nearest_In_Cells(search, pixel[0], pixel[1], pixel[2]), expected)
                        << count << " colours, spread " << spread;
                }
            }
        }
    }
}

} // namespace
