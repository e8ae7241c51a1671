// The converter's further formats (WebP, HEIC/AVIF, GIF, TIFF) against their
// PNG twins, embedded colour profiles against the colours lcms2 gives, and
// damaged files of each kind refused in one line.

#include <gtest/gtest.h>

#include "image/Image_Input.h"
#include "support/Temp_Dir.h"
#include "support/Test_Formats.h"
#include "support/Test_Images.h"
#include "support/Test_JPEG.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int width = 150; // wider and taller than the picture, odd sides
constexpr int height = 111;

// Blocks of 9x7 pixels in 216 colours (few enough for a GIF or a palette
// TIFF), or a gradient with no edges for the lossy formats.
std::vector<DTPixel> Test_Pixels(bool smooth) {
    std::vector<DTPixel> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int b = (x / 9) * 7 + (y / 7) * 3;
            pixels.push_back(smooth ? DTPixel{static_cast<std::uint8_t>(40 + x),
                                              static_cast<std::uint8_t>(30 + y * 2),
                                              static_cast<std::uint8_t>(200 - (x + y) / 2)}
                                    : DTPixel{static_cast<std::uint8_t>(b % 6 * 51),
                                              static_cast<std::uint8_t>(b / 6 % 6 * 51),
                                              static_cast<std::uint8_t>(b / 36 % 6 * 51)});
        }
    }
    return pixels;
}

std::optional<DTImage> Load(const std::string& path, Fit_Mode mode,
                            std::string* messages = nullptr) {
    testing::internal::CaptureStderr();
    std::optional<DTImage> image = Load_Input_Image(path, mode);
    const std::string err = testing::internal::GetCapturedStderr();
    if (messages) {
        *messages = err;
    }
    return image;
}

// The same file through a pipe, which cannot seek.
std::optional<DTImage> Load_Piped(const std::string& path, Fit_Mode mode) {
    std::FILE* in = popen(("cat '" + path + "'").c_str(), "r");
    testing::internal::CaptureStderr();
    std::optional<DTImage> image = Read_Input_Stream(in, "standard input", mode);
    testing::internal::GetCapturedStderr();
    pclose(in);
    return image;
}

double Mean_Difference(const DTImage& a, const DTImage& b) {
    double sum = 0;
    for (std::size_t i = 0; i < std::min(a.pixels.size(), b.pixels.size()); ++i) {
        sum += std::abs(a.pixels[i].r - b.pixels[i].r) + std::abs(a.pixels[i].g - b.pixels[i].g) +
               std::abs(a.pixels[i].b - b.pixels[i].b);
    }
    return a.pixels.size() == b.pixels.size() ? sum / (3.0 * a.pixels.size()) : 256;
}

bool Near(DTPixel a, DTPixel b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Show(DTPixel p) {
    return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b);
}

void Write_PNG(const std::string& path, const std::vector<DTPixel>& pixels,
               const std::vector<std::uint8_t>& icc = {}, double gamma = 0) {
    Test_PNG png;
    png.width = width;
    png.height = height;
    png.color_type = 2;
    for (const DTPixel& p : pixels) {
        png.samples.insert(png.samples.end(), {p.r, p.g, p.b});
    }
    png.icc = icc;
    png.gamma = gamma;
    Write_Test_PNG(path, png);
}

} // namespace

TEST(PhotoFormats, EachFormatGivesItsPNGTwinsPixels) {
    Temp_Dir dir;
    const std::vector<DTPixel> blocks = Test_Pixels(false);
    std::vector<DTPixel> greys = blocks;
    for (DTPixel& p : greys) {
        p = {p.r, p.r, p.r};
    }
    const std::string png = dir.file("twin.png"), grey = dir.file("grey.png");
    const std::string smooth = dir.file("smooth.png");
    Write_PNG(png, blocks);
    Write_PNG(grey, greys);
    Write_PNG(smooth, Test_Pixels(true));
    Test_TIFF tiff = TIFF_Of(width, height, blocks);
    tiff.rows_per_strip = 7; // the last strip is short
    Write_Test_TIFF(dir.file("strips.tif"), tiff);
    tiff.tile_side = 32; // partial tiles at the right and bottom
    Write_Test_TIFF(dir.file("tiles.tif"), tiff);
    tiff.kind = Tiff_Kind::palette;
    Write_Test_TIFF(dir.file("palette.tif"), tiff);
    Write_Test_TIFF(dir.file("deep.tif"), TIFF_Of(width, height, blocks, Tiff_Kind::rgb16));
    Write_Test_TIFF(dir.file("grey.tif"), TIFF_Of(width, height, greys, Tiff_Kind::grey8));
    Test_GIF gif = GIF_Of(width, height, blocks);
    gif.interlaced = true;
    Write_Test_GIF(dir.file("interlaced.gif"), gif);
    ASSERT_TRUE(Run_Tool("cwebp -lossless -exact " + png + " -o " + dir.file("lossless.webp")));
    ASSERT_TRUE(Run_Tool("cwebp -q 95 " + smooth + " -o " + dir.file("lossy.webp")));
    ASSERT_TRUE(Run_Tool("heif-enc -q 95 " + smooth + " -o " + dir.file("photo.heic")));
    ASSERT_TRUE(Run_Tool("heif-enc -q 95 " + smooth + " -o " + dir.file("photo.avif")));

    // Lossless files give their twin's pixels exactly (a WebP fitted is
    // scaled by libwebp, a little differently); lossy ones within a few
    // steps on average, where a misplaced row, column or channel is tens off.
    const struct {
        const char* file;
        std::string twin;
        double unfitted_tolerance;
        double fitted_tolerance;
    } twins[] = {
        {"strips.tif", png, 0, 0},    {"tiles.tif", png, 0, 0},     {"palette.tif", png, 0, 0},
        {"deep.tif", png, 0, 0},      {"grey.tif", grey, 0, 0},     {"interlaced.gif", png, 0, 0},
        {"lossless.webp", png, 0, 2}, {"lossy.webp", smooth, 2, 2}, {"photo.heic", smooth, 2, 2},
        {"photo.avif", smooth, 2, 2},
    };
    for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
        for (const auto& twin : twins) {
            SCOPED_TRACE(std::string(twin.file) + (mode == Fit_Mode::none ? "" : " fitted"));
            const std::optional<DTImage> expected = Load(twin.twin, mode);
            std::string messages;
            const std::optional<DTImage> image = Load(dir.file(twin.file), mode, &messages);
            ASSERT_TRUE(image && expected) << messages;
            EXPECT_EQ(messages, "");
            EXPECT_EQ(image->width, expected->width);
            EXPECT_EQ(image->height, expected->height);
            const double tolerance =
                mode == Fit_Mode::none ? twin.unfitted_tolerance : twin.fitted_tolerance;
            EXPECT_LE(Mean_Difference(*image, *expected), tolerance);
            const std::optional<DTImage> piped = Load_Piped(dir.file(twin.file), mode);
            ASSERT_TRUE(piped);
            EXPECT_TRUE(piped->pixels == image->pixels);
        }
    }
}

TEST(PhotoFormats, AlphaIsDroppedAndAnAnimationGivesItsFirstFrame) {
    Temp_Dir dir;
    const std::vector<DTPixel> pixels = Test_Pixels(false);
    Test_PNG rgba;
    rgba.width = width;
    rgba.height = height;
    rgba.color_type = 6;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        rgba.samples.insert(rgba.samples.end(), {pixels[i].r, pixels[i].g, pixels[i].b,
                                                 static_cast<unsigned>(i % 256)});
    }
    Write_Test_PNG(dir.file("alpha.png"), rgba);
    Write_PNG(dir.file("first.png"), pixels);
    Write_PNG(dir.file("second.png"), std::vector<DTPixel>(pixels.rbegin(), pixels.rend()));
    ASSERT_TRUE(Run_Tool("cwebp -lossless -exact " + dir.file("alpha.png") + " -o " +
                         dir.file("alpha.webp")));
    ASSERT_TRUE(Run_Tool("img2webp -lossless " + dir.file("first.png") + " " +
                         dir.file("second.png") + " -o " + dir.file("animation.webp")));
    const std::optional<DTImage> expected = Load(dir.file("first.png"), Fit_Mode::none);
    for (const char* name : {"alpha.webp", "animation.webp"}) {
        const std::optional<DTImage> image = Load(dir.file(name), Fit_Mode::none);
        ASSERT_TRUE(image && expected) << name;
        EXPECT_TRUE(image->pixels == expected->pixels) << name;
    }
}

TEST(PhotoFormats, AGIFFrameLiesOnItsScreenInItsOwnColours) {
    // A frame coloured by its own table on a screen whose rest takes the
    // global table's background colour: the screen's PNG twin gives the same
    // pixels, fitted (on a screen whose blocks the frame cuts) and not.
    Temp_Dir dir;
    const DTPixel background{10, 20, 30};
    const struct {
        int screen_width, screen_height, left, top, width, height;
        Fit_Mode mode;
    } cases[] = {
        {7, 5, 2, 1, 4, 3, Fit_Mode::none},
        {700, 500, 123, 77, 200, 150, Fit_Mode::crop},
        {700, 500, 600, 400, 200, 150, Fit_Mode::pad}, // past the screen's corner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.screen_width) + "x" + std::to_string(c.screen_height));
        const std::vector<DTPixel> frame = Quadrants(c.width, c.height);
        Test_GIF gif = GIF_Of(c.width, c.height, frame);
        gif.local_table = gif.global_table;
        gif.global_table = {{0, 0, 0}, background};
        gif.background = 1;
        gif.screen_width = c.screen_width;
        gif.screen_height = c.screen_height;
        gif.left = c.left;
        gif.top = c.top;
        Write_Test_GIF(dir.file("frame.gif"), gif);
        Test_PNG twin;
        twin.width = c.screen_width;
        twin.height = c.screen_height;
        for (int y = 0; y < c.screen_height; ++y) {
            for (int x = 0; x < c.screen_width; ++x) {
                const int fx = x - c.left;
                const int fy = y - c.top;
                const bool inside = fx >= 0 && fx < c.width && fy >= 0 && fy < c.height;
                const DTPixel p = inside ? frame[fy * c.width + fx] : background;
                twin.samples.insert(twin.samples.end(), {p.r, p.g, p.b});
            }
        }
        Write_Test_PNG(dir.file("twin.png"), twin);
        const std::optional<DTImage> image = Load(dir.file("frame.gif"), c.mode);
        const std::optional<DTImage> expected = Load(dir.file("twin.png"), c.mode);
        ASSERT_TRUE(image && expected);
        ASSERT_EQ(image->pixels.size(), expected->pixels.size());
        for (std::size_t i = 0; i < image->pixels.size(); ++i) {
            ASSERT_EQ(Show(image->pixels[i]), Show(expected->pixels[i])) << "pixel " << i;
        }
    }
}

TEST(PhotoFormats, AHEIFImageIsTurnedAsItsFileAsks) {
    // Stored 96x64 in quadrants, to be turned a quarter clockwise: upright
    // it is 64x96 with blue top left, red top right, white bottom left and
    // green bottom right.
    Temp_Dir dir;
    Write_Bytes(dir.file("turned.heic"), Encode_Test_HEIF(96, 64, Quadrants(96, 64), false, 90, 6));
    const std::optional<DTImage> image = Load(dir.file("turned.heic"), Fit_Mode::none);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 64);
    ASSERT_EQ(image->height, 96);
    const int order[4] = {2, 0, 3, 1};
    for (int q = 0; q < 4; ++q) {
        const DTPixel got = image->pixels[(q / 2 * 48 + 24) * 64 + q % 2 * 32 + 16];
        EXPECT_TRUE(Near(got, quadrant_colours[order[q]], 12)) << q << ": " << Show(got);
    }
}

TEST(PhotoFormats, EmbeddedProfilesGiveTheColoursLcmsGives) {
    Temp_Dir dir;
    const DTPixel colour{200, 60, 30};
    const std::vector<DTPixel> flat(static_cast<std::size_t>(width) * height, colour);
    const std::vector<std::uint8_t> adobe = Test_ICC(Test_Space::adobe_rgb);
    // A profile whose header and tag table are sound (libpng checks them)
    // but whose tags hold nothing.
    std::vector<std::uint8_t> broken = adobe;
    std::fill(broken.begin() + 132 + 12 * broken[131], broken.end(), 0);
    const std::vector<std::uint8_t> profiles[] = {adobe, Test_ICC(Test_Space::wide_gamut),
                                                  Test_ICC(Test_Space::srgb), broken};
    for (const std::vector<std::uint8_t>& icc : profiles) {
        const bool warned = &icc == &profiles[3];
        const std::string stem = dir.file("photo" + std::to_string(&icc - profiles));
        Write_PNG(stem + ".png", flat, icc);
        Test_JPEG jpeg;
        jpeg.width = width;
        jpeg.height = height;
        jpeg.pixels = flat;
        jpeg.full_chroma = true;
        jpeg.icc = icc;
        Write_Test_JPEG(stem + ".jpg", jpeg);
        Test_TIFF tiff = TIFF_Of(width, height, flat);
        tiff.icc = icc;
        Write_Test_TIFF(stem + ".tif", tiff);
        std::vector<std::string> files = {stem + ".png", stem + ".jpg", stem + ".tif"};
        if (!warned) { // the tools will not copy a broken profile
            ASSERT_TRUE(
                Run_Tool("cwebp -lossless -metadata icc " + stem + ".png -o " + stem + ".webp"));
            ASSERT_TRUE(Run_Tool("heif-enc -q 95 " + stem + ".png -o " + stem + ".heic"));
            files.insert(files.end(), {stem + ".webp", stem + ".heic"});
        }
        // sRGB, and a profile that cannot be read, leave the pixels as they are.
        const DTPixel want = warned ? colour : Profile_Colour_In_sRGB(icc, colour);
        for (const std::string& file : files) {
            for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
                SCOPED_TRACE(file + (mode == Fit_Mode::none ? "" : " fitted"));
                std::string messages;
                const std::optional<DTImage> image = Load(file, mode, &messages);
                ASSERT_TRUE(image) << messages;
                // A PNG without --fit takes the window program's road: pixels as stored.
                const bool as_stored = file.ends_with(".png") && mode == Fit_Mode::none;
                const DTPixel got = image->pixels[image->pixels.size() / 2];
                EXPECT_TRUE(Near(got, as_stored ? colour : want, 2))
                    << Show(got) << " for " << Show(want);
                EXPECT_EQ(messages, warned && !as_stored
                                        ? "Warning: " + file +
                                              ": its colour profile cannot be read; "
                                              "its colours are taken as sRGB.\n"
                                        : "");
            }
        }
    }
    // The profiles differ enough that a file read as sRGB would show it.
    EXPECT_FALSE(Near(Profile_Colour_In_sRGB(profiles[0], colour), colour, 4));
    EXPECT_FALSE(Near(Profile_Colour_In_sRGB(profiles[1], colour), colour, 4));
}

TEST(PhotoFormats, PNGGammaWithoutAProfileIsHonouredWhenFitted) {
    // gAMA 1.0: linear samples; 128 of 255 is sRGB 188 (the sRGB curve at
    // 0.502 gives 0.7353). gAMA 1/2.2 alone is taken as sRGB.
    Temp_Dir dir;
    for (const double gamma : {1.0, 1 / 2.2}) {
        Write_PNG(dir.file("gamma.png"), std::vector<DTPixel>(width * height, {128, 128, 128}), {},
                  gamma);
        const std::optional<DTImage> image = Load(dir.file("gamma.png"), Fit_Mode::crop);
        ASSERT_TRUE(image);
        EXPECT_NEAR(image->pixels[5000].g, gamma == 1.0 ? 188 : 128, 1) << gamma;
    }
}

TEST(PhotoFormats, DamagedFilesAreRefusedInOneLine) {
    Temp_Dir dir;
    const std::vector<DTPixel> pixels = Test_Pixels(false);
    Write_Test_TIFF(dir.file("whole.tif"), TIFF_Of(width, height, pixels));
    Write_Test_GIF(dir.file("whole.gif"), GIF_Of(width, height, pixels));
    Write_Bytes(dir.file("whole.webp"), Encode_Test_WebP(width, height, pixels, false, false));
    Write_Bytes(dir.file("whole.heic"), Encode_Test_HEIF(width, height, pixels, false, 80));
    Write_Bytes(dir.file("whole.avif"), Encode_Test_HEIF(width, height, pixels, true, 80));
    const std::pair<const char*, const char*> kinds[] = {
        {"tif", "TIFF"}, {"gif", "GIF"}, {"webp", "WebP"}, {"heic", "HEIF"}, {"avif", "HEIF"}};
    for (const auto& [extension, kind] : kinds) {
        const std::vector<std::uint8_t> whole =
            Read_Bytes(dir.file("whole." + std::string(extension)));
        // Cut short (a TIFF's directory comes last), and scrambled after its first bytes.
        std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + whole.size() / 3);
        std::vector<std::uint8_t> scrambled = whole;
        for (std::size_t i = 16; i < scrambled.size() - 8; i += 3) {
            scrambled[i] = static_cast<std::uint8_t>(scrambled[i] * 7 + 1);
        }
        for (const auto& [what, bytes] :
             {std::pair{"cut", cut}, std::pair{"scrambled", scrambled}}) {
            const std::string path = dir.file(std::string(what) + "." + extension);
            Write_Bytes(path, bytes);
            for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
                SCOPED_TRACE(path);
                std::string messages;
                EXPECT_FALSE(Load(path, mode, &messages));
                EXPECT_EQ(messages.rfind("Cannot read " + std::string(kind) + " " + path + ": ", 0),
                          0u)
                    << messages;
                EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
            }
        }
    }
}
