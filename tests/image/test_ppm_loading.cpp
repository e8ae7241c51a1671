#include <gtest/gtest.h>

#include "image/Image_File.h"
#include "support/Test_Images.h"

#include <unistd.h>

namespace {

std::optional<DTImage> Load(const std::vector<std::uint8_t>& bytes, std::string* err = nullptr) {
    testing::internal::CaptureStderr();
    std::optional<DTImage> image = CreateImageFromMemory(bytes.data(), bytes.size());
    const std::string printed = testing::internal::GetCapturedStderr();
    if (err) {
        *err = printed;
    } else {
        EXPECT_EQ(printed, "");
    }
    return image;
}

// The refusal route: the content failure, after at most one line saying why.
void Expect_Refused(const std::vector<std::uint8_t>& bytes, const std::string& reason) {
    std::string err;
    EXPECT_FALSE(Load(bytes, &err));
    EXPECT_EQ(err, reason + "Failed to read image content.\n");
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return bytes;
}

} // namespace

TEST(PpmLoading, MaximumOf255ReadsBytesAsTheyAre) {
    const std::vector<DTPixel> pixels{{1, 2, 3}, {255, 0, 128}, {9, 10, 32},
                                      {0, 0, 0}, {13, 12, 11},  {200, 201, 202}};
    const std::optional<DTImage> image = Load(PPM_Bytes(3, 2, pixels));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->type, DTImageTypePPM);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->pixelCount, 6u);
    EXPECT_EQ(image->pixels, pixels);
}

TEST(PpmLoading, RasterStartsAfterOneWhitespaceEvenIfItBeginsWithWhitespaceBytes) {
    // The raster's first samples are tab, line feed and space.
    std::optional<DTImage> image = Load(PPM_Bytes("P6 1 2 255\n", Bytes({9, 10, 32, 13, 11, 12})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{9, 10, 32}));
    EXPECT_EQ(image->pixels[1], (DTPixel{13, 11, 12}));
    // A carriage return ends the header; the line feed after it is a sample.
    image = Load(PPM_Bytes("P6 1 1 255\r", Bytes({10, 1, 2})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{10, 1, 2}));
}

TEST(PpmLoading, CommentsMayStandWhereverWhitespaceMay) {
    const std::vector<std::uint8_t> raster = Bytes({1, 2, 3, 4, 5, 6});
    const std::vector<DTPixel> expected{{1, 2, 3}, {4, 5, 6}};
    for (const std::string header :
         {"P6\n# made by hand\n2 1\n255\n", "P6#at once\n2 1 255\n", "P6 2# width\n1 255\n",
          "P6\t2\v1\f#x\n#y\n255\n", "P6 2 1 # maximum next\n255\n", "P6 2 1\n255#raster next\n",
          "P6 2 1 255# ends with a carriage return\r", "P6\n2 1\n255 "}) {
        SCOPED_TRACE(header);
        const std::optional<DTImage> image = Load(PPM_Bytes(header, raster));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->pixels, expected);
    }
}

TEST(PpmLoading, TrailingBytesAreIgnored) {
    const std::optional<DTImage> image = Load(PPM_Bytes("P6 1 1 255\n", Bytes({7, 8, 9, 1, 2})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<DTPixel>{{7, 8, 9}}));
}

TEST(PpmLoading, SmallMaximumsAreRescaledWithRounding) {
    // (v * 255 + 7) / 15
    std::optional<DTImage> image = Load(PPM_Bytes("P6 2 1 15\n", Bytes({0, 1, 7, 8, 14, 15})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{0, 17, 119}));
    EXPECT_EQ(image->pixels[1], (DTPixel{136, 238, 255}));
    // A maximum of 1 makes every sample black or white.
    image = Load(PPM_Bytes("P6 1 1 1\n", Bytes({1, 0, 1})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{255, 0, 255}));
}

TEST(PpmLoading, WideSamplesAreTwoBytesMostSignificantFirst) {
    // (v * 255 + 500) / 1000 for 1000, 500, 1 and 0x0102 = 258.
    std::optional<DTImage> image = Load(
        PPM_Bytes("P6 2 1 1000\n",
                  Bytes({0x03, 0xE8, 0x01, 0xF4, 0x00, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{255, 128, 0}));
    EXPECT_EQ(image->pixels[1], (DTPixel{66, 0, 1}));
    // 256 is the first maximum that takes two bytes.
    image = Load(PPM_Bytes("P6 1 1 256\n", Bytes({0x01, 0x00, 0x00, 0x80, 0x00, 0xFF})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{255, 128, 254}));
    image = Load(PPM_Bytes("P6 1 1 65535\n", Bytes({0xFF, 0xFF, 0x80, 0x80, 0x00, 0x81})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{255, 128, 1}));
}

TEST(PpmLoading, SamplesAboveTheMaximumAreRefused) {
    Expect_Refused(PPM_Bytes("P6 1 1 100\n", Bytes({100, 101, 0})),
                   "PPM sample 101 exceeds the maximum value 100.\n");
    Expect_Refused(PPM_Bytes("P6 1 1 1000\n", Bytes({0, 0, 0x03, 0xE9, 0, 0})),
                   "PPM sample 1001 exceeds the maximum value 1000.\n");
}

TEST(PpmLoading, HeadersThatDoNotParseAreRefused) {
    for (const std::string header :
         {"P6 a 1 255\n", "P6 2 1\n\n\n\n", "P6 2 1 255", "P6 -2 1 255\n", "P6 2x1 255\n",
          "P6 2 1 255x", "P6 2 1 # never ends", "P6 2 1 255#never ends", "P6 +2 1 255\n",
          "P6       "}) {
        SCOPED_TRACE(header);
        Expect_Refused(PPM_Bytes(header, Bytes({1, 2, 3, 4, 5, 6})), "Malformed PPM header.\n");
    }
}

TEST(PpmLoading, SizesAndMaximumsOutOfRangeAreRefused) {
    const std::vector<std::uint8_t> raster = Bytes({1, 2, 3});
    Expect_Refused(PPM_Bytes("P6 0 1 255\n", raster),
                   "Image size 0x1 is outside 1 to 16384 pixels a side.\n");
    Expect_Refused(PPM_Bytes("P6 1 0 255\n", raster),
                   "Image size 1x0 is outside 1 to 16384 pixels a side.\n");
    Expect_Refused(PPM_Bytes("P6 1 16385 255\n", raster),
                   "Image size 1x16385 is outside 1 to 16384 pixels a side.\n");
    Expect_Refused(PPM_Bytes("P6 99999999999999999999 1 255\n", raster),
                   "Image size 1000000000x1 is outside 1 to 16384 pixels a side.\n");
    Expect_Refused(PPM_Bytes("P6 1 1 0\n", raster), "PPM maximum value 0 is outside 1 to 65535.\n");
    Expect_Refused(PPM_Bytes("P6 1 1 65536\n", raster),
                   "PPM maximum value 65536 is outside 1 to 65535.\n");
}

TEST(PpmLoading, ShortRastersAreRefused) {
    const std::string short_raster = "PPM raster is shorter than its header promises.\n";
    Expect_Refused(PPM_Bytes("P6 2 1 255\n", Bytes({1, 2, 3, 4, 5})), short_raster);
    Expect_Refused(PPM_Bytes("P6 1 1 256\n", Bytes({1, 2, 3, 4, 5})), short_raster);
    // A header promising the largest image, over a few bytes, is refused
    // without first making room for all of it.
    Expect_Refused(PPM_Bytes("P6 16384 16384 255\n", Bytes({1, 2, 3})), short_raster);
}

TEST(PpmLoading, LargestSideIsAccepted) {
    const std::vector<std::uint8_t> raster(16384 * 3, 77);
    const std::optional<DTImage> image = Load(PPM_Bytes("P6 16384 1 255\n", raster));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelCount, 16384u);
    EXPECT_EQ(image->pixels.back(), (DTPixel{77, 77, 77}));
}

TEST(PpmLoading, ReadsFromStreamsThatCannotSeek) {
    const std::vector<std::uint8_t> bytes =
        PPM_Bytes("P6\n# through a pipe\n2 1\n255\n", Bytes({1, 2, 3, 4, 5, 6}));
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(ends[1]);
    std::FILE* stream = fdopen(ends[0], "rb");
    ASSERT_NE(stream, nullptr);
    const std::optional<DTImage> image = CreateImageFromStream(stream);
    std::fclose(stream);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<DTPixel>{{1, 2, 3}, {4, 5, 6}}));
}

TEST(PpmLoading, HeaderFillingTheFirstEightBytes) {
    const std::optional<DTImage> image = Load(PPM_Bytes("P61 1 1\n", Bytes({1, 0, 1})));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<DTPixel>{{255, 0, 255}}));
}
