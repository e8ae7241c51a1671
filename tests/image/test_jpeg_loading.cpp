// JPEG input of the converter: the kinds of file, EXIF orientation, DCT
// scaling and the refusal of damaged or oversized files.

#include <gtest/gtest.h>

#include "image/Image_Input.h"
#include "image/JPEG_Reader.h"
#include "image/Orientation.h"
#include "support/Allocation_Tracker.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"
#include "support/Test_JPEG.h"

#include <cstdlib>

namespace {

std::optional<DTImage> Decode(const std::vector<std::uint8_t>& bytes, Fit_Mode mode,
                              std::string* messages = nullptr) {
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb");
    testing::internal::CaptureStderr();
    std::optional<DTImage> image = Read_Input_Stream(file, "photo.jpg", mode);
    const std::string err = testing::internal::GetCapturedStderr();
    if (messages) {
        *messages = err;
    }
    std::fclose(file);
    return image;
}

DTPixel At(const DTImage& image, int x, int y) {
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
}

// The colour in the middle of each quadrant, within a JPEG's error; of an
// image read without fitting, which keeps its first 12288 pixels, only the
// top two.
void Expect_Quadrants(const DTImage& image, const DTPixel (&colours)[4]) {
    const int xs[2] = {image.width / 4, image.width * 3 / 4};
    const int ys[2] = {image.height / 4, image.height * 3 / 4};
    const int quadrants = image.pixels.size() == image.pixelCount ? 4 : 2;
    ASSERT_GT(image.pixels.size(), static_cast<std::size_t>(ys[0] * image.width + xs[1]));
    for (int q = 0; q < quadrants; ++q) {
        const DTPixel got = At(image, xs[q % 2], ys[q / 2]);
        const DTPixel want = colours[q];
        EXPECT_NEAR(got.r, want.r, 6) << "quadrant " << q;
        EXPECT_NEAR(got.g, want.g, 6) << "quadrant " << q;
        EXPECT_NEAR(got.b, want.b, 6) << "quadrant " << q;
    }
}

// The file with the size in its frame header changed.
std::vector<std::uint8_t> With_JPEG_Size(std::vector<std::uint8_t> bytes, int width, int height) {
    for (std::size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    }
    return bytes;
}

Test_JPEG Quadrant_JPEG(int width, int height) {
    Test_JPEG jpeg;
    jpeg.width = width;
    jpeg.height = height;
    jpeg.pixels = Quadrants(width, height);
    return jpeg;
}

} // namespace

TEST(JpegLoading, EveryKindOfFileGivesItsColours) {
    const DTPixel greys[4] = {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}};
    struct Case {
        const char* name;
        Jpeg_Kind kind;
        bool progressive;
    };
    const Case cases[] = {{"baseline", Jpeg_Kind::colour, false},
                          {"progressive", Jpeg_Kind::colour, true},
                          {"grey", Jpeg_Kind::grey, false},
                          {"cmyk", Jpeg_Kind::cmyk, false},
                          {"adobe cmyk", Jpeg_Kind::adobe_cmyk, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Test_JPEG jpeg = Quadrant_JPEG(160, 120);
        jpeg.kind = c.kind;
        jpeg.progressive = c.progressive;
        std::string err;
        const std::vector<std::uint8_t> bytes = Encode_Test_JPEG(jpeg);
        for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::stretch}) {
            const std::optional<DTImage> image = Decode(bytes, mode, &err);
            ASSERT_TRUE(image) << err;
            EXPECT_EQ(err, "");
            EXPECT_EQ(image->width, mode == Fit_Mode::none ? 160 : 128);
            EXPECT_EQ(image->height, mode == Fit_Mode::none ? 120 : 96);
            EXPECT_EQ(image->pixelCount, image->width * image->height);
            EXPECT_EQ(image->type, DTImageTypeJPEG);
            // Grey files keep the red channel: red and white are white, the
            // rest black.
            Expect_Quadrants(*image, c.kind == Jpeg_Kind::grey ? greys : quadrant_colours);
        }
    }
}

TEST(JpegLoading, ExifOrientationTurnsThePhotoUpright) {
    // The camera stored the scene turned; the tag says how to turn it back.
    // Stored quadrants red, green / blue, white; upright after turning:
    const DTPixel r = quadrant_colours[0], g = quadrant_colours[1];
    const DTPixel b = quadrant_colours[2], w = quadrant_colours[3];
    struct Case {
        int orientation;
        DTPixel upright[4];
    };
    const Case cases[] = {
        {1, {r, g, b, w}}, {3, {w, b, g, r}}, {6, {b, r, w, g}}, {8, {g, w, r, b}}};
    for (const Case& c : cases) {
        for (bool little : {false, true}) {
            SCOPED_TRACE(std::to_string(c.orientation) + (little ? " II" : " MM"));
            Test_JPEG jpeg = Quadrant_JPEG(240, 160);
            jpeg.orientation = c.orientation;
            jpeg.little_endian_exif = little;
            const std::vector<std::uint8_t> bytes = Encode_Test_JPEG(jpeg);
            const std::optional<DTImage> whole = Decode(bytes, Fit_Mode::none);
            ASSERT_TRUE(whole);
            EXPECT_EQ(whole->width, c.orientation >= 5 ? 160 : 240);
            Expect_Quadrants(*whole, c.upright);
            const std::optional<DTImage> fitted = Decode(bytes, Fit_Mode::stretch);
            ASSERT_TRUE(fitted);
            EXPECT_EQ(fitted->width, 128);
            EXPECT_EQ(fitted->height, 96);
            Expect_Quadrants(*fitted, c.upright);
        }
    }
}

TEST(JpegLoading, DctScalingShrinksLargePhotosAsTheyAreDecoded) {
    Test_JPEG jpeg = Quadrant_JPEG(2048, 1536);
    jpeg.quality = 60;
    const std::vector<std::uint8_t> bytes = Encode_Test_JPEG(jpeg);
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb");
    Jpeg_Header header;
    Jpeg_Handle decoder = Open_JPEG(file, "big.jpg", &header);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(header.width, 2048);
    int width = 0;
    int height = 0;
    // 256x192 at one eighth: libjpeg's smallest scale that is large enough.
    ASSERT_TRUE(Start_JPEG(decoder.get(), 256, 192, &width, &height));
    EXPECT_EQ(width, 256);
    EXPECT_EQ(height, 192);
    decoder.reset();
    std::fclose(file);
    // The whole fit never holds anything near the photo's 9 MB.
    Reset_Largest_Allocation();
    const std::optional<DTImage> fitted = Decode(bytes, Fit_Mode::crop);
    EXPECT_LT(Largest_Allocation(), std::size_t{1} << 20);
    ASSERT_TRUE(fitted);
    Expect_Quadrants(*fitted, quadrant_colours);
}

TEST(JpegLoading, WithoutFitTheFirstPixelsOfTheUprightImageAreKept) {
    // Stored 300x70: upright either 300 or 70 pixels wide, so the kept
    // 12288 pixels are stored rows or stored columns.
    Test_JPEG jpeg;
    jpeg.width = 300;
    jpeg.height = 70;
    jpeg.pixels = Pattern_Image(300, 70, 5).pixels;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        jpeg.orientation = orientation;
        const std::vector<std::uint8_t> bytes = Encode_Test_JPEG(jpeg);
        // The whole stored image, straight from the decoder, turned upright.
        std::FILE* file = fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb");
        Jpeg_Header header;
        Jpeg_Handle decoder = Open_JPEG(file, "photo.jpg", &header);
        ASSERT_TRUE(decoder);
        DTImage stored;
        stored.width = 300;
        stored.height = 70;
        stored.pixels.resize(300 * 70);
        int width = 0;
        int height = 0;
        ASSERT_TRUE(Start_JPEG(decoder.get(), 300, 70, &width, &height));
        for (int y = 0; y < 70; ++y) {
            ASSERT_TRUE(Read_JPEG_Row(decoder.get(), &stored.pixels[y * 300]));
        }
        decoder.reset();
        std::fclose(file);
        const DTImage upright = Apply_Orientation(stored, orientation);

        const std::optional<DTImage> first = Decode(bytes, Fit_Mode::none);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->width, upright.width);
        EXPECT_EQ(first->height, upright.height);
        EXPECT_EQ(first->pixelCount, 21000u);
        ASSERT_EQ(first->pixels.size(), 12288u);
        EXPECT_TRUE(std::equal(first->pixels.begin(), first->pixels.end(), upright.pixels.begin()));
    }
    // A large photo turned a quarter: its first pixels are two stored
    // columns, and nothing near its 9 MB is held.
    Test_JPEG large = Quadrant_JPEG(2048, 1536);
    large.orientation = 6;
    const std::vector<std::uint8_t> bytes = Encode_Test_JPEG(large);
    Reset_Largest_Allocation();
    const std::optional<DTImage> first = Decode(bytes, Fit_Mode::none);
    EXPECT_LT(Largest_Allocation(), std::size_t{64} << 10);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 1536);
    ASSERT_EQ(first->pixels.size(), 12288u);
    // Upright, blue is top left and red top right.
    for (const auto& [x, colour] :
         {std::pair{100, quadrant_colours[2]}, {1400, quadrant_colours[0]}}) {
        EXPECT_NEAR(first->pixels[x].r, colour.r, 6) << x;
        EXPECT_NEAR(first->pixels[x].b, colour.b, 6) << x;
    }
}

TEST(JpegLoading, DamagedFilesAreRefusedInOneLineNamingThem) {
    const std::vector<std::uint8_t> whole = Encode_Test_JPEG(Quadrant_JPEG(160, 120));
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> corrupt = whole;
    corrupt[corrupt.size() / 2] ^= 0xFF;
    corrupt[corrupt.size() / 2 + 1] = 0xFF; // a stray marker in the data
    corrupt[corrupt.size() / 2 + 2] = 0xD9;
    Test_JPEG progressive = Quadrant_JPEG(160, 120);
    progressive.progressive = true;
    std::vector<std::uint8_t> cut_progressive = Encode_Test_JPEG(progressive);
    cut_progressive.resize(cut_progressive.size() * 2 / 3);
    const Case cases[] = {
        {"truncated", std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() / 2)},
        {"truncated progressive", cut_progressive},
        {"header only", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 200)},
        {"signature only", {0xFF, 0xD8, 0xFF}},
        {"corrupt data", corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
            std::string err;
            EXPECT_FALSE(Decode(c.bytes, mode, &err));
            EXPECT_EQ(err.rfind("Cannot read JPEG photo.jpg: ", 0), 0u) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        }
    }
}

TEST(JpegLoading, SizesBeyondTheLimitsAreRefused) {
    // Too wide for any image the converter takes.
    Test_JPEG wide;
    wide.width = 16385;
    wide.height = 8;
    wide.pixels.assign(16385 * 8, DTPixel{9, 9, 9});
    std::string err;
    EXPECT_FALSE(Decode(Encode_Test_JPEG(wide), Fit_Mode::crop, &err));
    EXPECT_EQ(
        err, "Cannot read JPEG photo.jpg: its size 16385x8 is outside 1 to 16384 pixels a side.\n");
    // A progressive file is held whole as coefficients while it is decoded:
    // a small one that claims 16384x16384 at full colour would need 1.5 GiB
    // and is refused before any is taken; one that claims 50 megapixels at
    // the usual 4:2:0 (150 MB) is decoded, and found cut short.
    Test_JPEG progressive;
    progressive.width = 64;
    progressive.height = 48;
    progressive.pixels.assign(64 * 48, DTPixel{40, 80, 120});
    progressive.progressive = true;
    progressive.full_chroma = true;
    EXPECT_FALSE(
        Decode(With_JPEG_Size(Encode_Test_JPEG(progressive), 16384, 16384), Fit_Mode::crop, &err));
    EXPECT_EQ(err, "Cannot read JPEG photo.jpg: as a progressive file of 16384x16384 it needs "
                   "1536 MiB to decode, more than the 320 MiB it may take.\n");
    progressive.full_chroma = false;
    EXPECT_FALSE(
        Decode(With_JPEG_Size(Encode_Test_JPEG(progressive), 8660, 5774), Fit_Mode::crop, &err));
    EXPECT_EQ(err.find("MiB"), std::string::npos) << err;
    EXPECT_EQ(err.rfind("Cannot read JPEG photo.jpg: ", 0), 0u) << err;
}

TEST(JpegLoading, StandardInputThatCannotSeekIsReplayed) {
    // A pipe: the first bytes that told the kind are given back.
    Temp_Dir dir;
    const std::vector<std::uint8_t> bytes = Encode_Test_JPEG(Quadrant_JPEG(200, 150));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
    std::FILE* in = fdopen(fds[0], "rb");
    const std::optional<DTImage> image = Read_Input_Stream(in, "standard input", Fit_Mode::pad);
    std::fclose(in);
    ASSERT_TRUE(image);
    Expect_Quadrants(*image, quadrant_colours);
}
