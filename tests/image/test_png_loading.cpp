#include <gtest/gtest.h>

#include "image/Image_File.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <png.h>
#include <zlib.h>

namespace {

constexpr int test_width = 13; // odd sizes leave partial interlace blocks
constexpr int test_height = 7;

// A sample value for pixel n, channel c at the given bit depth, spread so that
// neighbouring pixels differ.
unsigned Sample(int n, int c, int bit_depth) {
    const unsigned top = (1u << bit_depth) - 1;
    return (static_cast<unsigned>(n) * 37u + static_cast<unsigned>(c) * 101u + 11u) % (top + 1);
}

Test_PNG Make_PNG(int color_type, int bit_depth, bool interlaced = false) {
    Test_PNG png;
    png.width = test_width;
    png.height = test_height;
    png.color_type = color_type;
    png.bit_depth = bit_depth;
    png.interlaced = interlaced;
    const int channels = PNG_Channels(color_type);
    const int pixels = test_width * test_height;
    if (color_type == PNG_COLOR_TYPE_PALETTE) {
        const int entries = 1 << bit_depth;
        for (int i = 0; i < entries; ++i) {
            png.palette.push_back({static_cast<std::uint8_t>(i * 29 + 3),
                                   static_cast<std::uint8_t>(255 - i * 7),
                                   static_cast<std::uint8_t>(i * 61 % 256)});
        }
        for (int n = 0; n < pixels; ++n) {
            png.samples.push_back(static_cast<unsigned>(n * 5 + 1) % entries);
        }
        return png;
    }
    for (int n = 0; n < pixels; ++n) {
        for (int c = 0; c < channels; ++c) {
            png.samples.push_back(Sample(n, c, bit_depth));
        }
    }
    return png;
}

// A sample at the file's depth as the 8-bit value the loader must give: low
// grey depths are widened by bit replication, 16 bits lose their low byte.
std::uint8_t To_8_Bits(unsigned value, int bit_depth) {
    switch (bit_depth) {
    case 1:
        return value ? 255 : 0;
    case 2:
        return static_cast<std::uint8_t>(value * 0x55);
    case 4:
        return static_cast<std::uint8_t>(value * 0x11);
    case 16:
        return static_cast<std::uint8_t>(value >> 8);
    default:
        return static_cast<std::uint8_t>(value);
    }
}

std::vector<DTPixel> Expected_Pixels(const Test_PNG& png) {
    std::vector<DTPixel> expected;
    const int channels = PNG_Channels(png.color_type);
    const bool grey = (png.color_type & PNG_COLOR_MASK_COLOR) == 0;
    for (int n = 0; n < png.width * png.height; ++n) {
        const unsigned* s = png.samples.data() + n * channels;
        if (png.color_type == PNG_COLOR_TYPE_PALETTE) {
            expected.push_back(png.palette[s[0]]);
        } else if (grey) {
            const std::uint8_t v = To_8_Bits(s[0], png.bit_depth);
            expected.push_back({v, v, v});
        } else {
            expected.push_back({To_8_Bits(s[0], png.bit_depth), To_8_Bits(s[1], png.bit_depth),
                                To_8_Bits(s[2], png.bit_depth)});
        }
    }
    return expected;
}

void Expect_Loads_As_Expected(const Test_PNG& png) {
    const std::vector<std::uint8_t> bytes = Encode_Test_PNG(png);
    testing::internal::CaptureStderr();
    const std::optional<DTImage> image = CreateImageFromMemory(bytes.data(), bytes.size());
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(image) << err;
    EXPECT_EQ(err, "") << "libpng must neither warn nor fail";
    EXPECT_EQ(image->type, DTImageTypePNG);
    EXPECT_EQ(image->width, png.width);
    EXPECT_EQ(image->height, png.height);
    EXPECT_EQ(image->pixelCount, static_cast<std::uint64_t>(png.width) * png.height);
    const std::vector<DTPixel> expected = Expected_Pixels(png);
    ASSERT_EQ(image->pixels.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        ASSERT_EQ(image->pixels[n], expected[n]) << "pixel " << n;
    }
}

struct Png_Case {
    int color_type;
    int bit_depth;
};

const Png_Case every_kind[] = {
    {PNG_COLOR_TYPE_GRAY, 1},        {PNG_COLOR_TYPE_GRAY, 2},       {PNG_COLOR_TYPE_GRAY, 4},
    {PNG_COLOR_TYPE_GRAY, 8},        {PNG_COLOR_TYPE_GRAY, 16},      {PNG_COLOR_TYPE_GRAY_ALPHA, 8},
    {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, {PNG_COLOR_TYPE_RGB, 8},        {PNG_COLOR_TYPE_RGB, 16},
    {PNG_COLOR_TYPE_RGB_ALPHA, 8},   {PNG_COLOR_TYPE_RGB_ALPHA, 16}, {PNG_COLOR_TYPE_PALETTE, 1},
    {PNG_COLOR_TYPE_PALETTE, 2},     {PNG_COLOR_TYPE_PALETTE, 4},    {PNG_COLOR_TYPE_PALETTE, 8},
};

std::string Describe(const Png_Case& c) {
    return "colour type " + std::to_string(c.color_type) + ", " + std::to_string(c.bit_depth) +
           " bits";
}

} // namespace

TEST(PngLoading, EveryColourTypeAndDepthArrivesAs8BitRgb) {
    for (const Png_Case& c : every_kind) {
        SCOPED_TRACE(Describe(c));
        Expect_Loads_As_Expected(Make_PNG(c.color_type, c.bit_depth));
    }
}

TEST(PngLoading, InterlacedFilesDecodeLikePlainOnesWithoutWarnings) {
    for (const Png_Case& c : every_kind) {
        SCOPED_TRACE(Describe(c));
        Expect_Loads_As_Expected(Make_PNG(c.color_type, c.bit_depth, true));
    }
}

TEST(PngLoading, AlphaIsDroppedWithoutCompositing) {
    Test_PNG png = Make_PNG(PNG_COLOR_TYPE_RGB_ALPHA, 8);
    for (std::size_t i = 3; i < png.samples.size(); i += 4) {
        png.samples[i] = 0; // fully transparent everywhere
    }
    Expect_Loads_As_Expected(png);
}

TEST(PngLoading, TransparencyChunksAreAcceptedAndDropped) {
    {
        SCOPED_TRACE("palette with tRNS");
        Test_PNG png = Make_PNG(PNG_COLOR_TYPE_PALETTE, 4);
        png.palette_alpha = {0, 128, 255, 7};
        Expect_Loads_As_Expected(png);
    }
    {
        SCOPED_TRACE("interlaced palette with tRNS");
        Test_PNG png = Make_PNG(PNG_COLOR_TYPE_PALETTE, 8, true);
        png.palette_alpha = {0, 0, 0};
        Expect_Loads_As_Expected(png);
    }
    for (int depth : {1, 2, 4, 8, 16}) {
        SCOPED_TRACE("grey with tRNS, " + std::to_string(depth) + " bits");
        Test_PNG png = Make_PNG(PNG_COLOR_TYPE_GRAY, depth);
        png.transparent =
            std::array<std::uint16_t, 3>{static_cast<std::uint16_t>(png.samples[0]), 0, 0};
        Expect_Loads_As_Expected(png);
    }
    for (int depth : {8, 16}) {
        SCOPED_TRACE("RGB with tRNS, " + std::to_string(depth) + " bits");
        Test_PNG png = Make_PNG(PNG_COLOR_TYPE_RGB, depth);
        png.transparent = std::array<std::uint16_t, 3>{static_cast<std::uint16_t>(png.samples[0]),
                                                       static_cast<std::uint16_t>(png.samples[1]),
                                                       static_cast<std::uint16_t>(png.samples[2])};
        Expect_Loads_As_Expected(png);
    }
}

TEST(PngLoading, SixteenBitSamplesKeepTheirHighByte) {
    Test_PNG png = Make_PNG(PNG_COLOR_TYPE_RGB, 16);
    png.samples[0] = 0x80FF; // rounding would give 0x81
    png.samples[1] = 0x00FF;
    png.samples[2] = 0xFFFF;
    const std::vector<std::uint8_t> bytes = Encode_Test_PNG(png);
    const std::optional<DTImage> image = CreateImageFromMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], (DTPixel{0x80, 0x00, 0xFF}));
}

TEST(PngLoading, KeepsAnySizeAndReadsFromFiles) {
    Temp_Dir dir;
    std::vector<DTPixel> pixels;
    for (int n = 0; n < 300 * 5; ++n) {
        pixels.push_back({static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n / 256),
                          static_cast<std::uint8_t>(n * 3)});
    }
    // A name that says nothing of the format: the first bytes decide.
    Write_RGB_PNG(dir.file("picture.ppm"), 300, 5, pixels);
    const std::optional<DTImage> image = CreateImageFromFile(dir.file("picture.ppm").c_str());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->type, DTImageTypePNG);
    EXPECT_EQ(image->width, 300);
    EXPECT_EQ(image->height, 5);
    EXPECT_EQ(image->pixels, pixels);
}

namespace {

void Append_Chunk(std::vector<std::uint8_t>* file, const char* type,
                  const std::vector<std::uint8_t>& data) {
    const auto put32 = [&](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            file->push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    put32(static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file->insert(file->end(), body.begin(), body.end());
    put32(static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// A PNG that claims a size and holds no image data at all.
std::vector<std::uint8_t> Header_Only_PNG(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    for (std::uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            ihdr.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    }
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Append_Chunk(&file, "IHDR", ihdr);
    Append_Chunk(&file, "IDAT", {});
    Append_Chunk(&file, "IEND", {});
    return file;
}

std::string Load_Failure(const std::vector<std::uint8_t>& bytes) {
    testing::internal::CaptureStderr();
    const std::optional<DTImage> image = CreateImageFromMemory(bytes.data(), bytes.size());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(image);
    return err;
}

bool Ends_With(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

TEST(PngLoading, HugeSizesAreRefusedBeforeAnythingIsAllocated) {
    const std::string err = Load_Failure(Header_Only_PNG(100000, 100000));
    EXPECT_EQ(err, "Image size 100000x100000 is outside 1 to 16384 pixels a side.\n"
                   "Failed to read image content.\n");
    EXPECT_EQ(Load_Failure(Header_Only_PNG(16385, 1)),
              "Image size 16385x1 is outside 1 to 16384 pixels a side.\n"
              "Failed to read image content.\n");
}

TEST(PngLoading, MissingImageDataIsAContentFailure) {
    // Within the limits but without pixels: libpng reports, the loader refuses.
    const std::string err = Load_Failure(Header_Only_PNG(16384, 16384));
    EXPECT_TRUE(Ends_With(err, "Failed to read image content.\n")) << err;
}

TEST(PngLoading, TruncatedAndCorruptFilesAreContentFailures) {
    std::vector<std::uint8_t> bytes = Encode_Test_PNG(Make_PNG(PNG_COLOR_TYPE_RGB, 8));
    for (std::size_t keep :
         {std::size_t{8}, std::size_t{20}, bytes.size() / 2, bytes.size() - 13}) {
        SCOPED_TRACE(keep);
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + keep);
        EXPECT_TRUE(Ends_With(Load_Failure(cut), "Failed to read image content.\n"));
    }
    bytes[16] ^= 0xFF; // the IHDR's width, so its CRC no longer matches
    EXPECT_TRUE(Ends_With(Load_Failure(bytes), "Failed to read image content.\n"));
}

TEST(ImageLoading, RefusalMessages) {
    Temp_Dir dir;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CreateImageFromFile(dir.file("missing.png").c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open image file: No such file or directory\n");

    // Fewer than 8 bytes, even of a good PPM start.
    EXPECT_EQ(Load_Failure({'P', '6', ' ', '1', ' ', '1', '\n'}), "Failed to read image header.\n");
    EXPECT_EQ(Load_Failure({}), "Failed to read image header.\n");
    Write_Text(dir.file("short.png"), "\x89PNG");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CreateImageFromFile(dir.file("short.png").c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to read image header.\n");

    for (const std::string start : {"GIF89a\x01\x02", "P3 1 1 255 0 0 0", "P5 1 1 255\n\x01",
                                    "\x89PNG\r\n\x1A\x0B", "p6 1 1 255\n\x01\x02\x03"}) {
        SCOPED_TRACE(start);
        EXPECT_EQ(Load_Failure({start.begin(), start.end()}),
                  "Image file of unrecognized format.\n");
    }
}

TEST(ImageLoading, IdentifiesByFirstBytes) {
    const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::uint8_t ppm[8] = {'P', '6', '\n', '1', ' ', '1', '\n', '2'};
    const std::uint8_t pgm[8] = {'P', '5', '\n', '1', ' ', '1', '\n', '2'};
    EXPECT_EQ(IdentifyImageType(png), DTImageTypePNG);
    EXPECT_EQ(IdentifyImageType(ppm), DTImageTypePPM);
    EXPECT_EQ(IdentifyImageType(pgm), DTImageTypeUnknown);
}
