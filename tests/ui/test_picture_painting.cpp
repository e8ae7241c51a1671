// The layered painting of pictures, checked by painting its rectangles in
// software: every pixel must end in its cell's shown colour.

#include <gtest/gtest.h>

#include "ui/Picture_Painting.h"

#include <random>
#include <string>

namespace {

constexpr std::uint32_t untouched = 0xFF000000;

struct Canvas {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;

    Canvas(int width_, int height_)
        : width(width_), height(height_),
          pixels(static_cast<std::size_t>(width_ * height_), untouched) {}

    void Paint(const std::vector<Color_Layer>& layers) {
        for (const Color_Layer& layer : layers) {
            for (const XRectangle& r : layer.rectangles) {
                for (int y = r.y; y < r.y + r.height; ++y) {
                    for (int x = r.x; x < r.x + r.width; ++x) {
                        ASSERT_TRUE(x >= 0 && x < width && y >= 0 && y < height) << x << ", " << y;
                        pixels[static_cast<std::size_t>(y * width + x)] =
                            static_cast<std::uint32_t>(layer.color);
                    }
                }
            }
        }
    }

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Where the canvas differs from the pictures, or "" when it does not.
std::string Difference(const Canvas& canvas, const std::vector<Placed_Picture>& pictures,
                       int scale) {
    Canvas expected(canvas.width, canvas.height);
    for (const Placed_Picture& placed : pictures) {
        for (int y = 0; y < picture_height * scale; ++y) {
            for (int x = 0; x < picture_width * scale; ++x) {
                const int index = placed.picture->pixels[static_cast<std::size_t>(
                                      (y / scale) * picture_width + x / scale)] &
                                  0x0F;
                expected.pixels[static_cast<std::size_t>((placed.top + y) * canvas.width +
                                                         placed.left + x)] =
                    static_cast<std::uint32_t>(Shown_Color(
                        Color_Word(placed.picture->palette[static_cast<std::size_t>(index)])));
            }
        }
    }
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (canvas.at(x, y) != expected.at(x, y)) {
                // Appended, not "(" + std::to_string(x): GCC 12 at -O3 reports
                // a false -Wrestrict overlap for that.
                std::string place = "(";
                place += std::to_string(x) + ", " + std::to_string(y) + ")";
                return place;
            }
        }
    }
    return "";
}

// Runs of random length; some palette entries share their shown colour.
MQ4_Document Random_Picture(std::mt19937& random, int colors, int longest_run) {
    MQ4_Document picture;
    std::uniform_int_distribution<int> index(0, colors - 1);
    std::uniform_int_distribution<int> run(1, longest_run);
    std::uniform_int_distribution<int> color(0, 0xFFFFFF);
    for (DTPixel& entry : picture.palette) {
        entry = Split_Color(color(random));
    }
    picture.palette[9] = Split_Color(Color_Word(picture.palette[2]) | 0x030303); // shown alike
    for (int n = 0; n < picture_pixels;) {
        const auto value = static_cast<std::uint8_t>(index(random));
        for (int k = run(random); k > 0 && n < picture_pixels; --k) {
            picture.pixels[static_cast<std::size_t>(n++)] = value;
        }
    }
    return picture;
}

TEST(LayeredRectangles, RandomPicturesSideBySideComeOutExactly) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        const MQ4_Document a = Random_Picture(random, 16, 1);
        const MQ4_Document b = Random_Picture(random, 4, 12);
        MQ4_Document c = Random_Picture(random, 16, 3);
        c.pixels[77] = 0xF3; // beyond the palette: painted as index 3
        for (const int scale : {1, 3}) {
            const std::vector<Placed_Picture> pictures = {
                {&a, 0, 0}, {&b, 128 * scale + 2, 5}, {&c, 1, 96 * scale + 1}};
            Canvas canvas(256 * scale + 2, 192 * scale + 6);
            canvas.Paint(Layered_Rectangles(pictures, scale));
            EXPECT_EQ(Difference(canvas, pictures, scale), "") << "seed " << seed;
        }
    }
}

TEST(LayeredRectangles, OneLayerPerShownColourMostUsedFirst) {
    std::mt19937 random(4);
    const MQ4_Document picture = Random_Picture(random, 16, 2);
    const auto layers = Layered_Rectangles({{&picture, 0, 0}}, 7);
    // Entries 2 and 9 are shown alike: fifteen colours.
    ASSERT_EQ(layers.size(), 15u);
    std::array<int, palette_size> uses{};
    for (const std::uint8_t index : picture.pixels) {
        ++uses[index];
    }
    uses[2] += uses[9];
    uses[9] = 0;
    int previous_uses = picture_pixels;
    for (const Color_Layer& layer : layers) {
        EXPECT_FALSE(layer.rectangles.empty());
        int layer_uses = 0;
        for (int index = 0; index < palette_size; ++index) {
            if (Shown_Color(Color_Word(picture.palette[static_cast<std::size_t>(index)])) ==
                layer.color) {
                layer_uses += uses[static_cast<std::size_t>(index)];
            }
        }
        EXPECT_LE(layer_uses, previous_uses);
        previous_uses = layer_uses;
    }
}

TEST(LayeredRectangles, ABackgroundIsOneRectangleUnderItsSpeck) {
    MQ4_Document picture;
    picture.palette[2] = Split_Color(0x123456);
    picture.palette[7] = Split_Color(0xFFFFFF);
    picture.pixels.fill(2);
    picture.pixels[40 + 50 * 128] = 7;
    const auto layers = Layered_Rectangles({{&picture, 10, 20}}, 7);
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0].color, 0x103050u);
    ASSERT_EQ(layers[0].rectangles.size(), 1u);
    EXPECT_EQ(layers[0].rectangles[0].x, 10);
    EXPECT_EQ(layers[0].rectangles[0].y, 20);
    EXPECT_EQ(layers[0].rectangles[0].width, 896);
    EXPECT_EQ(layers[0].rectangles[0].height, 672);
    EXPECT_EQ(layers[1].color, 0xF8F8F8u);
    ASSERT_EQ(layers[1].rectangles.size(), 1u);
    EXPECT_EQ(layers[1].rectangles[0].x, 10 + 280);
    EXPECT_EQ(layers[1].rectangles[0].y, 20 + 350);
    EXPECT_EQ(layers[1].rectangles[0].width, 7);
}

TEST(StackRows, MergesOnlyTheSameColumnsInTouchingRows) {
    const std::vector<XRectangle> rows = {{0, 0, 5, 1}, {0, 1, 5, 1}, {0, 2, 4, 1}, {0, 3, 5, 1},
                                          {0, 5, 5, 1}, {7, 3, 2, 2}, {7, 5, 2, 1}};
    const std::vector<XRectangle> stacked = Stack_Rows(rows);
    ASSERT_EQ(stacked.size(), 5u);
    EXPECT_EQ(stacked[0].height, 2); // rows 0 and 1
    EXPECT_EQ(stacked[1].width, 4);  // row 2 alone
    EXPECT_EQ(stacked[2].height, 1); // row 3 alone: the one above is narrower
    EXPECT_EQ(stacked[3].y, 5);      // row 5: row 4 is empty
    EXPECT_EQ(stacked[4].height, 3); // a two-row run and the row under it
}

} // namespace
