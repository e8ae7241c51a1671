// Loading only the first pixels of an image, or fitting it to the picture as
// its rows arrive: the same pixels as a whole load (or as fitting the whole
// image), the same refusals with the same messages, and no more memory than
// those pixels (or the fit's reduced part) and a row or two.

#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "core/Report.h"
#include "image/Image_Fit.h"
#include "image/Image_Input.h"
#include "support/Allocation_Tracker.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <png.h>

namespace {

struct Load {
    std::optional<DTImage> image;
    std::string messages;
};

Load Load_Bytes(const std::vector<std::uint8_t>& bytes, std::uint64_t keep) {
    Report_Capture capture;
    Load load;
    load.image = CreateImageFromMemory(bytes.data(), bytes.size(), keep);
    load.messages = capture.text;
    return load;
}

// The converter's fitted image of the bytes, read as a stream.
Load Fit_Bytes(const std::vector<std::uint8_t>& bytes, Fit_Mode mode) {
    Report_Capture capture;
    Load load;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), "rb");
    load.image = Read_Input_Stream(file, "image", mode);
    std::fclose(file);
    load.messages = capture.text;
    return load;
}

Test_PNG RGB_PNG(const DTImage& image, bool interlaced) {
    Test_PNG png;
    png.width = image.width;
    png.height = image.height;
    png.interlaced = interlaced;
    for (const DTPixel& p : image.pixels) {
        png.samples.insert(png.samples.end(), {p.r, p.g, p.b});
    }
    return png;
}

// One-bit grey, interlaced: libpng widens and combines it through every pass.
Test_PNG Bilevel_PNG(int width, int height) {
    Test_PNG png;
    png.width = width;
    png.height = height;
    png.color_type = PNG_COLOR_TYPE_GRAY;
    png.bit_depth = 1;
    png.interlaced = true;
    for (int n = 0; n < width * height; ++n) {
        png.samples.push_back(static_cast<unsigned>((n * 7 / 3) % 2));
    }
    return png;
}

std::vector<std::uint8_t> PPM_16(const DTImage& image) {
    std::vector<std::uint8_t> raster;
    for (const DTPixel& p : image.pixels) {
        for (int v : {p.r, p.g, p.b}) {
            raster.insert(raster.end(),
                          {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v * 3)});
        }
    }
    return PPM_Bytes("P6 " + std::to_string(image.width) + " " + std::to_string(image.height) +
                         " 65535\n",
                     raster);
}

struct File_Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
};

std::vector<File_Case> Files(int width, int height) {
    const DTImage image = Pattern_Image(width, height, 17);
    return {
        {"plain PNG", Encode_Test_PNG(RGB_PNG(image, false))},
        {"interlaced PNG", Encode_Test_PNG(RGB_PNG(image, true))},
        {"interlaced 1-bit PNG", Encode_Test_PNG(Bilevel_PNG(width, height))},
        {"PPM", PPM_Bytes(width, height, image.pixels)},
        {"16-bit PPM", PPM_16(image)},
    };
}

// The last IDAT chunk of a PNG: where its data starts, and how long it is.
std::pair<std::size_t, std::size_t> Last_IDAT(const std::vector<std::uint8_t>& png) {
    std::size_t at = 0;
    for (std::size_t i = 8; i + 8 <= png.size();) {
        const std::size_t length = static_cast<std::size_t>(png[i]) << 24 | png[i + 1] << 16 |
                                   png[i + 2] << 8 | png[i + 3];
        if (std::equal(png.begin() + static_cast<long>(i) + 4,
                       png.begin() + static_cast<long>(i) + 8, "IDAT")) {
            at = i;
        }
        i += length + 12;
    }
    const std::size_t length = static_cast<std::size_t>(png[at]) << 24 | png[at + 1] << 16 |
                               png[at + 2] << 8 | png[at + 3];
    return {at + 8, length};
}

} // namespace

TEST(KeptPixels, AreTheFirstPixelsOfTheWholeImage) {
    const int width = 301;
    const int height = 77;
    const std::uint64_t count = width * height;
    for (const File_Case& file : Files(width, height)) {
        SCOPED_TRACE(file.what);
        const Load whole = Load_Bytes(file.bytes, keep_all_pixels);
        ASSERT_TRUE(whole.image);
        EXPECT_EQ(whole.messages, "");
        ASSERT_EQ(whole.image->pixels.size(), count);
        for (std::uint64_t keep :
             {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{300}, std::uint64_t{301},
              std::uint64_t{302}, std::uint64_t{12288}, count - 1, count, count + 1}) {
            SCOPED_TRACE(keep);
            const Load part = Load_Bytes(file.bytes, keep);
            ASSERT_TRUE(part.image);
            EXPECT_EQ(part.messages, "");
            EXPECT_EQ(part.image->width, width);
            EXPECT_EQ(part.image->height, height);
            EXPECT_EQ(part.image->pixelCount, count);
            EXPECT_EQ(part.image->type, whole.image->type);
            const std::size_t kept = static_cast<std::size_t>(std::min(keep, count));
            ASSERT_EQ(part.image->pixels.size(), kept);
            EXPECT_TRUE(std::equal(part.image->pixels.begin(), part.image->pixels.end(),
                                   whole.image->pixels.begin()));
        }
    }
}

TEST(KeptPixels, FittingAsRowsArriveGivesTheFitOfTheWholeImage) {
    // Large enough to be box-reduced, and small ones whose interlaced
    // passes are partly empty.
    std::vector<File_Case> files = Files(1301, 977);
    for (const Pixel_Size size : {Pixel_Size{1, 1}, Pixel_Size{3, 2}, Pixel_Size{5, 9}}) {
        files.push_back(
            {"small interlaced PNG",
             Encode_Test_PNG(RGB_PNG(Pattern_Image(size.width, size.height, 3), true))});
    }
    for (const File_Case& file : files) {
        SCOPED_TRACE(file.what);
        const Load whole = Load_Bytes(file.bytes, keep_all_pixels);
        ASSERT_TRUE(whole.image);
        for (Fit_Mode mode : {Fit_Mode::crop, Fit_Mode::pad, Fit_Mode::stretch}) {
            SCOPED_TRACE(static_cast<int>(mode));
            const Load fitted = Fit_Bytes(file.bytes, mode);
            ASSERT_TRUE(fitted.image);
            EXPECT_EQ(fitted.messages, "");
            const DTImage expected = Fit_Whole_Image(*whole.image, mode);
            EXPECT_EQ(fitted.image->type, whole.image->type);
            EXPECT_EQ(fitted.image->width, 128);
            EXPECT_EQ(fitted.image->pixelCount, 12288u);
            EXPECT_TRUE(fitted.image->pixels == expected.pixels);
        }
    }
}

TEST(KeptPixels, ADamagedRowNearTheEndIsStillRefused) {
    const int width = 1200;
    const int height = 900;
    const DTImage image = Pattern_Image(width, height, 23);
    struct Damage {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string message;
    };
    std::vector<Damage> damages;
    for (bool interlaced : {false, true}) {
        std::vector<std::uint8_t> png = Encode_Test_PNG(RGB_PNG(image, interlaced));
        const auto [data, length] = Last_IDAT(png);
        // The zlib stream ends in this chunk, so its own check fails before
        // the chunk's.
        std::vector<std::uint8_t> damaged = png;
        damaged[data + length / 2] ^= 0x40;
        damages.push_back(
            {interlaced ? "interlaced PNG, a damaged byte" : "PNG, a damaged byte", damaged,
             "libpng error: IDAT: incorrect data check\nFailed to read image content.\n"});
        std::vector<std::uint8_t> cut(png.begin(),
                                      png.begin() + static_cast<long>(data + length / 2));
        damages.push_back({interlaced ? "interlaced PNG, cut short" : "PNG, cut short", cut,
                           "libpng error: Read Error\nFailed to read image content.\n"});
    }
    std::vector<std::uint8_t> ppm =
        PPM_Bytes("P6 " + std::to_string(width) + " " + std::to_string(height) + " 254\n",
                  std::vector<std::uint8_t>(width * height * 3, 7));
    ppm[ppm.size() - 5] = 255;
    damages.push_back(
        {"PPM, a sample above the maximum in the last row", ppm,
         "PPM sample 255 exceeds the maximum value 254.\nFailed to read image content.\n"});
    std::vector<std::uint8_t> short_ppm = PPM_Bytes(width, height, image.pixels);
    short_ppm.pop_back();
    damages.push_back(
        {"PPM, one byte short", short_ppm,
         "PPM raster is shorter than its header promises.\nFailed to read image content.\n"});

    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        const Load whole = Load_Bytes(damage.bytes, keep_all_pixels);
        const Load part = Load_Bytes(damage.bytes, picture_pixels);
        const Load fitted = Fit_Bytes(damage.bytes, Fit_Mode::crop);
        EXPECT_FALSE(whole.image);
        EXPECT_FALSE(part.image);
        EXPECT_FALSE(fitted.image);
        EXPECT_EQ(part.messages, whole.messages);
        EXPECT_EQ(fitted.messages, whole.messages);
        EXPECT_EQ(part.messages, damage.message);
    }
}

TEST(KeptPixels, ALargeImageCostsNoMoreThanItsPictureAndARow) {
    const int width = 2400;
    const int height = 1800;
    std::vector<DTPixel> pixels(static_cast<std::size_t>(width) * height);
    for (std::size_t n = 0; n < pixels.size(); ++n) {
        pixels[n] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n / width), 40};
    }
    Temp_Dir dir;
    Write_Bytes(dir.file("large.ppm"), PPM_Bytes(width, height, pixels));
    Write_RGB_PNG(dir.file("large.png"), width, height, pixels);
    Test_PNG interlaced = RGB_PNG({width, height, DTImageTypePNG, 0, pixels}, true);
    Write_Test_PNG(dir.file("interlaced.png"), interlaced);
    pixels = {};
    // The picture's 12288 pixels, a row of 2400 and the interlaced image's
    // top rows gathered through its passes; the whole image is 13 MB.
    const std::size_t bound = 128u << 10;
    for (const char* name : {"large.ppm", "large.png", "interlaced.png"}) {
        SCOPED_TRACE(name);
        Reset_Largest_Allocation();
        const std::optional<DTImage> image = Load_Picture_Image(dir.file(name));
        EXPECT_LT(Largest_Allocation(), bound);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->pixelCount, static_cast<std::uint64_t>(width) * height);
        EXPECT_EQ(image->pixels.size(), static_cast<std::size_t>(picture_pixels));
        EXPECT_EQ(image->pixels[width + 1], (DTPixel{static_cast<std::uint8_t>(width + 1), 1, 40}));
        // Fitted, the image is summed into blocks as it arrives: 2400x1800
        // shows at 128x96, so blocks of 9x9 pixels, 266x200 of them.
        Reset_Largest_Allocation();
        EXPECT_TRUE(Load_Input_Image(dir.file(name), Fit_Mode::crop));
        EXPECT_LT(Largest_Allocation(), 1u << 20);
    }
}

TEST(KeptPixels, ColoursAreGatheredInStorageOrder) {
    // The first pixels in storage order are distinct colours, the rest
    // repeat the last of them. An interlaced image's first pass meets them
    // in another order (pixels 0, 8, 128, ...).
    const int side = 16;
    Temp_Dir dir;
    for (const int distinct : {15, 16, 17, 40}) {
        SCOPED_TRACE(distinct);
        std::vector<DTPixel> image;
        for (int n = 0; n < side * side; ++n) {
            const int k = std::min(n, distinct - 1);
            image.push_back(
                {static_cast<std::uint8_t>(k * 6), static_cast<std::uint8_t>(255 - k), 7});
        }
        Write_Test_PNG(dir.file("colours.png"),
                       RGB_PNG({side, side, DTImageTypePNG, 0, image}, true));
        const std::optional<std::vector<DTPixel>> colours =
            Read_Image_Colors(dir.file("colours.png").c_str(), 16);
        ASSERT_TRUE(colours);
        if (distinct <= 16) {
            ASSERT_EQ(colours->size(), static_cast<std::size_t>(distinct));
            EXPECT_TRUE(std::equal(colours->begin(), colours->end(), image.begin()));
        } else {
            EXPECT_EQ(colours->size(), 17u) << "one more than the limit";
        }
    }
    // A damaged file is refused as the loader refuses it.
    std::vector<std::uint8_t> cut = Read_Bytes(dir.file("colours.png"));
    cut.resize(cut.size() - 20);
    Write_Bytes(dir.file("cut.png"), cut);
    Report_Capture capture;
    EXPECT_FALSE(Read_Image_Colors(dir.file("cut.png").c_str(), 16));
    const std::string messages = capture.text;
    capture.text.clear();
    EXPECT_FALSE(CreateImageFromFile(dir.file("cut.png").c_str()));
    EXPECT_EQ(messages, capture.text);
    EXPECT_NE(messages, "");
}
