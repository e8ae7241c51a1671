#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "convert/Method_Comparison.h"
#include "convert/Refined_Conversion.h"
#include "quant/Color_Difference.h"
#include "support/Test_Images.h"

#include <cmath>
#include <sstream>

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
    EXPECT_EQ(Format_Quality_Row("closest", {16, 31.6549, 3.21249}),
              "closest               16     31.65      3.212\n");
    EXPECT_EQ(Format_Quality_Row("refined-dither", {3, INFINITY, 0.0}),
              "refined-dither         3       inf      0.000\n");
    EXPECT_EQ(std::string(quality_table_header), "method           colours   PSNR dB  CIEDE2000\n");
}

TEST(CompareMethods, OneRowPerMethodInOrder) {
    Octree_Workspace workspace;
    const DTImage image = Pattern_Image(128, 96, 4);
    const std::vector<std::string> lines = Lines(Compare_Methods(image, workspace));
    ASSERT_EQ(lines.size(), 1u + method_count);
    EXPECT_EQ(lines[0] + "\n", quality_table_header);
    const DTImage working = Working_Image(image);
    for (const Method_Row& row : method_table) {
        SCOPED_TRACE(row.name);
        const Picture_Quality quality =
            Measure_Picture(working, Build_Method_Picture(image, row.method, workspace));
        EXPECT_EQ(lines[1 + Index(row.method)] + "\n", Format_Quality_Row(row.name, quality));
        EXPECT_GT(quality.psnr, 15.0);
        EXPECT_LT(quality.mean_delta_e, 20.0);
    }
}
