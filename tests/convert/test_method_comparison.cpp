#include <gtest/gtest.h>

#include "convert/Contact_Sheet.h"
#include "convert/Conversion.h"
#include "convert/Method_Comparison.h"
#include "convert/Refined_Conversion.h"
#include "quant/Color_Difference.h"
#include "quant/Palette_Dither.h"
#include "support/Test_Images.h"

#include <cmath>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

DTImage Picture_Image(DTPixel colour) {
    DTImage image;
    image.width = picture_width;
    image.height = picture_height;
    image.type = DTImageTypePNG;
    image.pixelCount = picture_pixels;
    image.pixels.assign(picture_pixels, colour);
    return image;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(MeasurePicture, ExactPictureHasInfinitePsnrAndNoDifference) {
    const DTImage image = Picture_Image({16, 32, 248});
    MQ4_Document picture;
    picture.palette[0] = Split_Color(0x1020F8);
    picture.palette[5] = Split_Color(0x1020F8); // unused entries do not count
    picture.palette[6] = Split_Color(0x000000);
    const Picture_Quality quality = Measure_Picture(image, picture);
    EXPECT_EQ(quality.colors, 1);
    EXPECT_TRUE(std::isinf(quality.psnr));
    EXPECT_EQ(quality.mean_delta_e, 0.0);
}

TEST(MeasurePicture, KnownErrors) {
    // Every sample 2 above its display colour: mean squared error 4.
    const DTImage image = Picture_Image({10, 10, 10});
    MQ4_Document picture;
    picture.palette[0] = Split_Color(0x080808);
    const Picture_Quality quality = Measure_Picture(image, picture);
    EXPECT_NEAR(quality.psnr, 10.0 * std::log10(65025.0 / 4.0), 1e-9);
    EXPECT_NEAR(quality.psnr, 42.11, 0.005);
    EXPECT_NEAR(quality.mean_delta_e, Ciede2000(Srgb_To_Lab(10, 10, 10), Srgb_To_Lab(8, 8, 8)),
                1e-12);
    // A flat error looks the same blurred.
    EXPECT_NEAR(quality.perceived, quality.mean_delta_e, 1e-4);

    // Half the pixels off by 8 in red only: mean squared error 64 / 3 / 2.
    picture.palette[1] = Split_Color(0x100808);
    picture.palette[2] = Split_Color(0x100808); // the same colour twice counts once
    for (int n = 0; n < picture_pixels; n += 2) {
        picture.pixels[n] = static_cast<std::uint8_t>(1 + n / 2 % 2);
    }
    DTImage dark = Picture_Image({8, 8, 8});
    const Picture_Quality mixed = Measure_Picture(dark, picture);
    EXPECT_EQ(mixed.colors, 2);
    EXPECT_NEAR(mixed.psnr, 10.0 * std::log10(65025.0 / (64.0 / 6.0)), 1e-9);
    EXPECT_NEAR(mixed.mean_delta_e, Ciede2000(Srgb_To_Lab(8, 8, 8), Srgb_To_Lab(16, 8, 8)) / 2,
                1e-12);
}

TEST(FormatQualityRow, ColumnsAndInfinity) {
    EXPECT_EQ(Format_Quality_Row("closest", {16, 31.6549, 3.21249, 1.5}),
              "closest               16     31.65      3.212      1.500\n");
    EXPECT_EQ(Format_Quality_Row("refined-dither", {3, INFINITY, 0.0, 0.0}),
              "refined-dither         3       inf      0.000      0.000\n");
    // Longer names take room from the colours' column, up to two digits.
    EXPECT_EQ(Format_Quality_Row("refined+sierra-lite", {16, 30.0, 3.0, 1.5}),
              "refined+sierra-lite   16     30.00      3.000      1.500\n");
    EXPECT_EQ(std::string(quality_table_header),
              "method           colours   PSNR dB  CIEDE2000  perceived\n");
}

TEST(CompareMethods, OneRowPerMethodThenPerDitherKindInOrder) {
    Octree_Workspace workspace;
    const DTImage image = Pattern_Image(128, 96, 4);
    const std::vector<std::string> lines = Lines(Compare_Methods(image, workspace));
    ASSERT_EQ(lines.size(), 1u + method_count + dither_kind_count - 2);
    EXPECT_EQ(lines[0] + "\n", quality_table_header);
    const DTImage working = Working_Image(image);
    for (const Method_Row& row : method_table) {
        SCOPED_TRACE(row.name);
        const Picture_Quality quality =
            Measure_Picture(working, Build_Method_Picture(image, row.method, workspace));
        EXPECT_EQ(lines[1 + Index(row.method)] + "\n", Format_Quality_Row(row.name, quality));
        EXPECT_GT(quality.psnr, 15.0);
        EXPECT_LT(quality.mean_delta_e, 20.0);
        EXPECT_LT(quality.perceived, quality.mean_delta_e);
    }
    // The refined palette with each other kind, as --method refined --dither KIND makes it.
    const std::vector<Compared_Picture> pictures = Compare_Pictures(image, workspace);
    for (int row = 1 + method_count; row < static_cast<int>(lines.size()); ++row) {
        const std::string kind = pictures[row - 1].name.substr(8);
        SCOPED_TRACE(kind);
        EXPECT_EQ(pictures[row - 1].options, "--method refined --dither " + kind);
        const MQ4_Document picture =
            Convert_Refined(image, {{*Dither_Kind_Named(kind)}, {}}, workspace);
        EXPECT_EQ(pictures[row - 1].picture.pixels, picture.pixels);
        EXPECT_EQ(lines[row] + "\n",
                  Format_Quality_Row("refined+" + kind, Measure_Picture(working, picture)));
    }
}

namespace {

// An image whose every pixel has its own colour, none of them the sheet's.
DTImage Numbered_Image(int width, int height, int seed) {
    std::vector<DTPixel> pixels;
    for (int n = 0; n < width * height; ++n) {
        pixels.push_back({static_cast<std::uint8_t>(seed * 40 + 1),
                          static_cast<std::uint8_t>(n / 256), static_cast<std::uint8_t>(n % 256)});
    }
    return Image_Of(width, height, pixels);
}

std::vector<std::size_t> Where(const DTImage& sheet, DTPixel colour) {
    std::vector<std::size_t> places;
    for (std::size_t n = 0; n < sheet.pixels.size(); ++n) {
        if (sheet.pixels[n] == colour) {
            places.push_back(n);
        }
    }
    return places;
}

} // namespace

TEST(ContactSheet, PicturesAreEnlargedWholeFourARow) {
    std::vector<Sheet_Entry> entries;
    for (int i = 0; i < 5; ++i) {
        entries.push_back({"entry " + std::to_string(i), Numbered_Image(12, 9, i)});
    }
    const DTImage sheet = Contact_Sheet(entries, {2, 4, 2});
    ASSERT_EQ(sheet.pixels.size(), static_cast<std::size_t>(sheet.width) * sheet.height);
    std::vector<std::pair<int, int>> corners;
    for (const Sheet_Entry& entry : entries) {
        const std::vector<std::size_t> first = Where(sheet, entry.image.pixels[0]);
        ASSERT_EQ(first.size(), 4u);
        const int left = static_cast<int>(first[0] % sheet.width);
        const int top = static_cast<int>(first[0] / sheet.width);
        corners.emplace_back(left, top);
        for (int n = 0; n < 24 * 18; ++n) {
            ASSERT_TRUE(sheet.pixels[(top + n / 24) * sheet.width + left + n % 24] ==
                        entry.image.pixels[(n / 48) * 12 + n % 24 / 2]);
        }
    }
    EXPECT_TRUE(corners[3].second == corners[0].second && corners[3].first > corners[0].first);
    EXPECT_TRUE(corners[4].first == corners[0].first && corners[4].second > corners[0].second + 42);
    EXPECT_TRUE(Contact_Sheet({}).pixels.empty());
}

TEST(ContactSheet, LabelsAreDrawnUnderTheirPictureOnly) {
    const DTImage image = Numbered_Image(40, 30, 1);
    const DTImage blank = Contact_Sheet({{"", image}, {"", image}});
    const DTImage labelled = Contact_Sheet({{"bayer4\nperceived 1.234", image}, {"", image}});
    // A label too long for its cell, and characters the font lacks.
    const DTImage spilled =
        Contact_Sheet({{std::string(200, 'W') + "\n\t\xC3\xA9\nthird line", image}, {"", image}});
    int inked = 0;
    for (std::size_t n = 0; n < blank.pixels.size(); ++n) {
        const int x = static_cast<int>(n % blank.width);
        const int y = static_cast<int>(n / blank.width);
        if (!(labelled.pixels[n] == blank.pixels[n])) {
            ++inked;
            EXPECT_TRUE(x < blank.width / 2 && y > 8 + 60) << x << "," << y;
        }
        if (x >= blank.width / 2) {
            ASSERT_TRUE(spilled.pixels[n] == blank.pixels[n]) << x << "," << y;
        }
    }
    EXPECT_GT(inked, 100);
}
