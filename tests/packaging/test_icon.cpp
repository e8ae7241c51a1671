#include <gtest/gtest.h>

#include "packaging/Icon.h"
#include "ui/Data.h"

namespace {

DTPixel Pixel(const DTImage& image, int x, int y) {
    return image.pixels[static_cast<std::size_t>(y * image.width + x)];
}

} // namespace

TEST(Icon, LogoImageShowsThePaletteColours) {
    const DTImage logo = Logo_Image();
    ASSERT_EQ(logo.width, 640);
    ASSERT_EQ(logo.height, 180);
    ASSERT_EQ(logo.pixels.size(), 640u * 180u);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {101, 33}, {320, 140}, {639, 179}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        const std::uint8_t byte = zembrix_bitmap[static_cast<std::size_t>((y * 640 + x) / 2)];
        const int index = x % 2 ? byte & 15 : byte >> 4;
        const std::uint8_t* entry = &zembrix_palette[static_cast<std::size_t>(index * 4)];
        EXPECT_EQ(Pixel(logo, x, y), (DTPixel{entry[2], entry[1], entry[0]}));
    }
}

TEST(Icon, AtTheCropSizeItIsTheCropItself) {
    const DTImage logo = Logo_Image();
    const DTImage icon = Icon_Image(icon_crop_side);
    ASSERT_EQ(icon.width, icon_crop_side);
    ASSERT_EQ(icon.height, icon_crop_side);
    for (int y = 0; y < icon_crop_side; ++y) {
        for (int x = 0; x < icon_crop_side; ++x) {
            ASSERT_EQ(Pixel(icon, x, y), Pixel(logo, icon_crop_left + x, icon_crop_top + y))
                << x << "," << y;
        }
    }
}

TEST(Icon, SmallerSizesAverageTheCoveredPixels) {
    const DTImage logo = Logo_Image();
    // 90: each icon pixel is a 2x2 block, rounded to nearest.
    const DTImage half = Icon_Image(90);
    ASSERT_EQ(half.pixels.size(), 90u * 90u);
    for (int y = 0; y < 90; y += 7) {
        for (int x = 0; x < 90; x += 3) {
            int sums[3] = {0, 0, 0};
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const DTPixel p =
                        Pixel(logo, icon_crop_left + 2 * x + dx, icon_crop_top + 2 * y + dy);
                    sums[0] += p.r;
                    sums[1] += p.g;
                    sums[2] += p.b;
                }
            }
            const DTPixel expected{static_cast<std::uint8_t>((sums[0] + 2) / 4),
                                   static_cast<std::uint8_t>((sums[1] + 2) / 4),
                                   static_cast<std::uint8_t>((sums[2] + 2) / 4)};
            ASSERT_EQ(Pixel(half, x, y), expected) << x << "," << y;
        }
    }
}

TEST(Icon, InstalledSizesKeepFlatAreasAndStayInRange) {
    const DTImage logo = Logo_Image();
    const DTPixel background = Pixel(logo, icon_crop_left, icon_crop_top);
    for (const int size : {48, 128, 256}) {
        SCOPED_TRACE(size);
        const DTImage icon = Icon_Image(size);
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        ASSERT_EQ(icon.pixels.size(), static_cast<std::size_t>(size * size));
        // The top left corner lies in the banner's plain background.
        EXPECT_EQ(Pixel(icon, 0, 0), background);
        // The red bar crosses the lower part of the square.
        const DTPixel bar = Pixel(icon, size / 2, size * 140 / 180);
        EXPECT_GT(bar.r, 2 * (bar.g + bar.b)) << int(bar.r) << " " << int(bar.g);
    }
    EXPECT_TRUE(Icon_Image(min_icon_size - 1).pixels.empty());
    EXPECT_TRUE(Icon_Image(max_icon_size + 1).pixels.empty());
}
