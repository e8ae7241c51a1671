#include <gtest/gtest.h>

#include "quant/OctQuant.h"

#include <algorithm>
#include <array>
#include <random>

namespace {

quant_color Red(int red) {
    return {static_cast<std::uint8_t>(red), 0, 0};
}

using Palette = std::vector<quant_color>;

// Diffuses a row-major image of red samples (green and blue 0) and gives the
// red results.
std::vector<int> Diffuse_Reds(int width, int height, const std::vector<int>& reds,
                              const Palette& palette) {
    std::vector<std::uint8_t> bytes;
    for (int red : reds) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(red), 0, 0});
    }
    quant_image image{width, height, bytes.data()};
    color_diffuse(&image, palette);
    std::vector<int> result;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        result.push_back(bytes[i]);
    }
    return result;
}

// The nearest colour by 3, 5 and 2 times the channels' differences, the
// first of equal ones.
const quant_color& Nearest(const Palette& palette, const int value[3]) {
    std::size_t best = 0;
    int best_distance = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const int distance = 3 * std::abs(palette[i][0] - value[0]) +
                             5 * std::abs(palette[i][1] - value[1]) +
                             2 * std::abs(palette[i][2] - value[2]);
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return palette[best];
}

// Plain restatement over a 2-D grid, neighbour by neighbour, to compare with.
std::vector<std::uint8_t> Reference_Diffuse(int width, int height,
                                            const std::vector<std::uint8_t>& pixels,
                                            const Palette& palette) {
    std::vector<std::vector<std::array<int, 3>>> sums(height,
                                                      std::vector<std::array<int, 3>>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                sums[y][x][c] = pixels[(y * width + x) * 3 + c] * 15;
            }
        }
    }
    struct Share {
        int dx, dy, weight;
    };
    const Share shares[] = {{1, 0, 7}, {0, 1, 5}, {1, 1, 2}, {-1, 1, 1}};
    std::vector<std::uint8_t> out(pixels.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int v[3];
            for (int c = 0; c < 3; ++c) {
                v[c] = std::clamp(sums[y][x][c] / 15, 0, 255);
            }
            const quant_color& nearest = Nearest(palette, v);
            const int colour[3] = {nearest[0], nearest[1], nearest[2]};
            for (int c = 0; c < 3; ++c) {
                out[(y * width + x) * 3 + c] = static_cast<std::uint8_t>(colour[c]);
                for (const Share& s : shares) {
                    const int nx = x + s.dx, ny = y + s.dy;
                    if (nx >= 0 && nx < width && ny < height) {
                        sums[ny][nx][c] += (v[c] - colour[c]) * s.weight;
                    }
                }
            }
        }
    }
    return out;
}

} // namespace

TEST(ErrorDiffusion, WorkedExampleTruncatesAfterTheShares) {
    // The first pixel (60) takes 80 and passes 7 x -20 to the right, which is
    // then visited with (1500 - 140) / 15 = 90 (not 91): nearer to 80 than to
    // 101. Undiffused it would take 101.
    const Palette palette{Red(80), Red(101)};
    EXPECT_EQ(Diffuse_Reds(2, 1, {60, 100}, palette), (std::vector<int>{80, 80}));
    EXPECT_EQ(Diffuse_Reds(1, 1, {100}, palette), (std::vector<int>{101}));
}

TEST(ErrorDiffusion, RightShareIsSevenFifteenths) {
    // The first pixel (100) becomes 0 and passes 700; 128 is the first value
    // nearer to 255 than to 0.
    const Palette palette{Red(0), Red(255)};
    // (15 x 82 + 700) / 15 = 128, (15 x 81 + 700) / 15 = 127.
    EXPECT_EQ(Diffuse_Reds(2, 1, {100, 82}, palette), (std::vector<int>{0, 255}));
    EXPECT_EQ(Diffuse_Reds(2, 1, {100, 81}, palette), (std::vector<int>{0, 0}));
}

TEST(ErrorDiffusion, OneColumnPassesOnlyDownwardFiveFifteenths) {
    const Palette palette{Red(0), Red(255)};
    // (15 x 95 + 500) / 15 = 128, (15 x 90 + 500) / 15 = 123.
    EXPECT_EQ(Diffuse_Reds(1, 2, {100, 95}, palette), (std::vector<int>{0, 255}));
    EXPECT_EQ(Diffuse_Reds(1, 2, {100, 90}, palette), (std::vector<int>{0, 0}));
}

TEST(ErrorDiffusion, ClampsBeforeSearchingAndPassesTheClampedError) {
    {
        // 20 takes 30 and passes -70; the next pixel, 0, is visited with
        // -70 / 15 = -4, clamped to 0, so it passes nothing and the third
        // (16) stays nearer to 30. Unclamped, -4 would pass -28 and make it
        // (240 - 28) / 15 = 14, nearer to 0.
        const Palette palette{Red(0), Red(30)};
        EXPECT_EQ(Diffuse_Reds(3, 1, {20, 0, 16}, palette), (std::vector<int>{30, 0, 30}));
    }
    {
        // 255 takes 200 and passes 385; the next 255 is visited with 280,
        // clamped to 255, and passes 385 again, leaving the third at
        // (1050 + 385) / 15 = 95, nearer to 0 (unclamped: 107, nearer to 200).
        const Palette palette{Red(0), Red(200)};
        EXPECT_EQ(Diffuse_Reds(3, 1, {255, 255, 70}, palette), (std::vector<int>{200, 200, 0}));
    }
}

TEST(ErrorDiffusion, AgreesWithAGridRestatementOnRandomImages) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 20; ++trial) {
        const int width = 1 + trial % 7;
        const int height = 1 + trial / 3;
        // Up to 80 colours: more than the search by cells takes, too; and
        // up to 16, all weighed at once.
        Palette palette;
        const int more = trial % 4 == 3 ? 70 : trial % 4 == 1 ? 10 : 0;
        for (int i = 0; i < 2 + trial % 5 + more; ++i) {
            palette.push_back({static_cast<std::uint8_t>(byte(random)),
                               static_cast<std::uint8_t>(byte(random)),
                               static_cast<std::uint8_t>(byte(random))});
        }
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
        for (std::uint8_t& sample : pixels) {
            sample = static_cast<std::uint8_t>(byte(random));
        }
        const std::vector<std::uint8_t> expected =
            Reference_Diffuse(width, height, pixels, palette);
        quant_image image{width, height, pixels.data()};
        color_diffuse(&image, palette);
        EXPECT_EQ(pixels, expected) << width << "x" << height;
    }
}

TEST(ErrorDiffusion, NearestByWeightedDistanceAndTheFirstOnTies) {
    // From black: blue 10 costs 20, green 3 costs 15, red 5 costs 15 too.
    const Palette palette{{0, 0, 10}, {0, 3, 0}, {5, 0, 0}};
    std::vector<std::uint8_t> black{0, 0, 0};
    quant_image image{1, 1, black.data()};
    color_diffuse(&image, palette);
    EXPECT_EQ(black, (std::vector<std::uint8_t>{0, 3, 0}));
    // 15 lies as near to 20 as to 10: the first listed wins either way.
    for (const Palette& pair : {Palette{Red(20), Red(10)}, Palette{Red(10), Red(20)}}) {
        EXPECT_EQ(Diffuse_Reds(1, 1, {15}, pair), (std::vector<int>{pair[0][0]}));
    }
    EXPECT_EQ(Diffuse_Reds(1, 1, {14}, {Red(20), Red(10)}), (std::vector<int>{10}));
}
