// The palette search made for many lookups must give the very entry that the
// plain search gives, ties and palettes of any length included.

#include <gtest/gtest.h>

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
    for (const int count : {1, 2, 5, 15, 16, 17, 33, 40}) {
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

} // namespace
