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
#include <cmath>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Blocks of 9x7 pixels in 216 colours: few enough for a GIF or a palette
// TIFF, many enough that a misplaced row or column shows.
std::vector<DTPixel> Blocks(int width, int height) {
    std::vector<DTPixel> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int block = (x / 9) * 7 + (y / 7) * 3;
            pixels.push_back({static_cast<std::uint8_t>(block % 6 * 51),
                              static_cast<std::uint8_t>(block / 6 % 6 * 51),
                              static_cast<std::uint8_t>(block / 36 % 6 * 51)});
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

// A gradient with no edges.
std::vector<DTPixel> Smooth(int width, int height) {
    std::vector<DTPixel> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back({static_cast<std::uint8_t>(40 + x),
                              static_cast<std::uint8_t>(30 + y * 2),
                              static_cast<std::uint8_t>(200 - (x + y) / 2)});
        }
    }
    return pixels;
}

// The same file through a pipe, which cannot seek.
std::optional<DTImage> Load_Piped(const std::string& path, Fit_Mode mode) {
    const std::vector<std::uint8_t> bytes = Read_Bytes(path);
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    std::FILE* in = fdopen(fds[0], "rb");
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const ssize_t written = write(fds[1], bytes.data(), bytes.size());
        _exit(written == static_cast<ssize_t>(bytes.size()) ? 0 : 1);
    }
    close(fds[1]);
    testing::internal::CaptureStderr();
    std::optional<DTImage> image = Read_Input_Stream(in, "standard input", mode);
    testing::internal::GetCapturedStderr();
    std::fclose(in);
    int status = 0;
    waitpid(child, &status, 0);
    return image;
}

// The mean difference of all samples.
double Mean_Difference(const DTImage& a, const DTImage& b) {
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) {
        return 256;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        sum += std::abs(a.pixels[i].r - b.pixels[i].r) + std::abs(a.pixels[i].g - b.pixels[i].g) +
               std::abs(a.pixels[i].b - b.pixels[i].b);
    }
    return sum / (3.0 * a.pixels.size());
}

bool Near(DTPixel a, DTPixel b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Show(DTPixel p) {
    return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b);
}

constexpr int width = 150; // wider and taller than the picture, odd sides
constexpr int height = 111;

// A PNG of the test's size and the colour type, its samples left to fill.
Test_PNG PNG_Of(int color_type) {
    Test_PNG png;
    png.width = width;
    png.height = height;
    png.color_type = color_type;
    return png;
}

struct Twin {
    const char* what;
    std::string path;
    std::string twin;
    // Mean sample difference allowed without fitting and fitted: 0 for a
    // lossless file decoded whole; a fit scaled by libwebp differs a little.
    double unfitted_tolerance;
    double fitted_tolerance;
};

} // namespace

TEST(PhotoFormats, EachFormatGivesItsPNGTwinsPixels) {
    Temp_Dir dir;
    std::vector<DTPixel> pixels = Blocks(width, height);
    const std::string png = dir.file("twin.png");
    Write_RGB_PNG(png, width, height, pixels);
    std::vector<DTPixel> greys = pixels;
    for (DTPixel& p : greys) {
        p = {p.r, p.r, p.r};
    }
    Write_RGB_PNG(dir.file("grey.png"), width, height, greys);

    Test_TIFF tiff = TIFF_Of(width, height, pixels);
    tiff.rows_per_strip = 7; // the last strip is short
    Write_Test_TIFF(dir.file("strips.tif"), tiff);
    tiff.tile_side = 32; // partial tiles at the right and bottom
    Write_Test_TIFF(dir.file("tiles.tif"), tiff);
    tiff.kind = Tiff_Kind::palette;
    Write_Test_TIFF(dir.file("palette.tif"), tiff);
    tiff = TIFF_Of(width, height, pixels, Tiff_Kind::rgb16);
    Write_Test_TIFF(dir.file("deep.tif"), tiff);
    tiff = TIFF_Of(width, height, greys, Tiff_Kind::grey8);
    Write_Test_TIFF(dir.file("grey.tif"), tiff);

    Test_GIF gif = GIF_Of(width, height, {}, {});
    gif.interlaced = true;
    for (const DTPixel& p : pixels) {
        std::size_t i = 0;
        while (i < gif.global_table.size() && !(gif.global_table[i] == p)) {
            ++i;
        }
        if (i == gif.global_table.size()) {
            gif.global_table.push_back(p);
        }
        gif.indices.push_back(static_cast<std::uint8_t>(i));
    }
    Write_Test_GIF(dir.file("interlaced.gif"), gif);

    ASSERT_TRUE(Run_Tool("cwebp -lossless -exact " + png + " -o " + dir.file("lossless.webp")));
    // Lossy files of a smooth picture, as photographs are.
    const std::string smooth = dir.file("smooth.png");
    Write_RGB_PNG(smooth, width, height, Smooth(width, height));
    ASSERT_TRUE(Run_Tool("cwebp -q 95 " + smooth + " -o " + dir.file("lossy.webp")));
    ASSERT_TRUE(Run_Tool("heif-enc -q 95 " + smooth + " -o " + dir.file("photo.heic")));
    ASSERT_TRUE(Run_Tool("heif-enc -q 95 " + smooth + " -o " + dir.file("photo.avif")));

    const Twin twins[] = {
        {"TIFF strips", dir.file("strips.tif"), png, 0, 0},
        {"TIFF tiles", dir.file("tiles.tif"), png, 0, 0},
        {"TIFF palette", dir.file("palette.tif"), png, 0, 0},
        {"TIFF 16-bit", dir.file("deep.tif"), png, 0, 0},
        {"TIFF grey", dir.file("grey.tif"), dir.file("grey.png"), 0, 0},
        {"GIF interlaced", dir.file("interlaced.gif"), png, 0, 0},
        {"WebP lossless", dir.file("lossless.webp"), png, 0, 2},
        // Lossy: within a few steps on average; a misplaced row, column or
        // channel would be tens off.
        {"WebP lossy", dir.file("lossy.webp"), smooth, 2, 2},
        {"HEIC", dir.file("photo.heic"), smooth, 2, 2},
        {"AVIF", dir.file("photo.avif"), smooth, 2, 2},
    };
    for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
        for (const Twin& twin : twins) {
            SCOPED_TRACE(std::string(twin.what) + (mode == Fit_Mode::none ? "" : " fitted"));
            const std::optional<DTImage> expected = Load(twin.twin, mode);
            ASSERT_TRUE(expected);
            std::string messages;
            const std::optional<DTImage> image = Load(twin.path, mode, &messages);
            ASSERT_TRUE(image) << messages;
            EXPECT_EQ(messages, "");
            EXPECT_EQ(image->width, expected->width);
            EXPECT_EQ(image->height, expected->height);
            const double tolerance =
                mode == Fit_Mode::none ? twin.unfitted_tolerance : twin.fitted_tolerance;
            if (tolerance == 0) {
                EXPECT_TRUE(image->pixels == expected->pixels);
            } else {
                EXPECT_LE(Mean_Difference(*image, *expected), tolerance);
            }
            const std::optional<DTImage> piped = Load_Piped(twin.path, mode);
            ASSERT_TRUE(piped);
            EXPECT_TRUE(piped->pixels == image->pixels);
        }
    }
}

TEST(PhotoFormats, AlphaIsDroppedAndAnAnimationGivesItsFirstFrame) {
    Temp_Dir dir;
    Test_PNG rgba = PNG_Of(6);
    const std::vector<DTPixel> pixels = Blocks(width, height);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        rgba.samples.insert(rgba.samples.end(), {pixels[i].r, pixels[i].g, pixels[i].b,
                                                 static_cast<unsigned>(i % 256)});
    }
    Write_Test_PNG(dir.file("alpha.png"), rgba);
    std::vector<DTPixel> second = pixels;
    std::reverse(second.begin(), second.end());
    Write_RGB_PNG(dir.file("first.png"), width, height, pixels);
    Write_RGB_PNG(dir.file("second.png"), width, height, second);
    ASSERT_TRUE(Run_Tool("cwebp -lossless -exact " + dir.file("alpha.png") + " -o " +
                         dir.file("alpha.webp")));
    ASSERT_TRUE(Run_Tool("img2webp -lossless " + dir.file("first.png") + " " +
                         dir.file("second.png") + " -o " + dir.file("animation.webp")));
    const std::optional<DTImage> expected = Load(dir.file("first.png"), Fit_Mode::none);
    ASSERT_TRUE(expected);
    for (const char* name : {"alpha.webp", "animation.webp"}) {
        SCOPED_TRACE(name);
        const std::optional<DTImage> image = Load(dir.file(name), Fit_Mode::none);
        ASSERT_TRUE(image);
        EXPECT_TRUE(image->pixels == expected->pixels);
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

TEST(PhotoFormats, AGIFFrameLiesOnItsScreenInItsOwnColours) {
    // A 4x3 frame at (2, 1) of a 7x5 screen, coloured by its own table; the
    // rest of the screen takes the global table's background colour.
    Temp_Dir dir;
    const DTPixel background{10, 20, 30};
    Test_GIF gif = GIF_Of(4, 3, {{0, 0, 0}, background}, {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2});
    gif.screen_width = 7;
    gif.screen_height = 5;
    gif.background = 1;
    gif.left = 2;
    gif.top = 1;
    gif.local_table = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    Write_Test_GIF(dir.file("frame.gif"), gif);
    const std::optional<DTImage> image = Load(dir.file("frame.gif"), Fit_Mode::none);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->pixels.size(), 35u);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
            const DTPixel want =
                inside ? gif.local_table[gif.indices[(y - 1) * 4 + x - 2]] : background;
            EXPECT_EQ(Show(image->pixels[y * 7 + x]), Show(want)) << x << "," << y;
        }
    }
}

TEST(PhotoFormats, EmbeddedProfilesGiveTheColoursLcmsGives) {
    Temp_Dir dir;
    const DTPixel colour{200, 60, 30};
    const std::vector<DTPixel> flat(static_cast<std::size_t>(width) * height, colour);
    const std::vector<std::uint8_t> adobe = Test_ICC(Test_Space::adobe_rgb);
    const std::vector<std::uint8_t> wide = Test_ICC(Test_Space::wide_gamut);
    const std::vector<std::uint8_t> srgb = Test_ICC(Test_Space::srgb);
    // A profile whose header and tag table are sound (libpng checks them)
    // but whose tags hold nothing.
    std::vector<std::uint8_t> broken = adobe;
    const std::size_t tags =
        (broken[128] << 24 | broken[129] << 16 | broken[130] << 8 | broken[131]);
    std::fill(broken.begin() + 132 + 12 * tags, broken.end(), 0);

    struct Case {
        std::string path;
        std::vector<std::uint8_t> icc;
        bool warned;
    };
    std::vector<Case> cases;
    const std::pair<const char*, const std::vector<std::uint8_t>*> profiles[] = {
        {"adobe", &adobe}, {"wide", &wide}, {"srgb", &srgb}, {"broken", &broken}};
    for (const auto& [name, icc] : profiles) {
        const std::string stem = dir.file(name);
        Test_PNG png = PNG_Of(2);
        for (const DTPixel& p : flat) {
            png.samples.insert(png.samples.end(), {p.r, p.g, p.b});
        }
        png.icc = *icc;
        Write_Test_PNG(stem + ".png", png);
        Test_JPEG jpeg;
        jpeg.width = width;
        jpeg.height = height;
        jpeg.pixels = flat;
        jpeg.full_chroma = true;
        jpeg.icc = *icc;
        Write_Test_JPEG(stem + ".jpg", jpeg);
        Test_TIFF tiff = TIFF_Of(width, height, flat);
        tiff.icc = *icc;
        Write_Test_TIFF(stem + ".tif", tiff);
        const bool warned = icc == &broken;
        cases.insert(cases.end(), {{stem + ".png", *icc, warned},
                                   {stem + ".jpg", *icc, warned},
                                   {stem + ".tif", *icc, warned}});
        if (!warned) { // the tools refuse to copy a broken profile
            ASSERT_TRUE(
                Run_Tool("cwebp -lossless -metadata icc " + stem + ".png -o " + stem + ".webp"));
            ASSERT_TRUE(Run_Tool("heif-enc -q 95 " + stem + ".png -o " + stem + ".heic"));
            cases.insert(cases.end(),
                         {{stem + ".webp", *icc, false}, {stem + ".heic", *icc, false}});
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const DTPixel want = c.warned ? colour : Profile_Colour_In_sRGB(c.icc, colour);
        const bool png = c.path.ends_with(".png");
        for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
            std::string messages;
            const std::optional<DTImage> image = Load(c.path, mode, &messages);
            ASSERT_TRUE(image) << messages;
            if (png && mode == Fit_Mode::none) {
                // The window program's road: pixels exactly as stored.
                EXPECT_EQ(Show(image->pixels[0]), Show(colour));
                continue;
            }
            EXPECT_TRUE(Near(image->pixels[image->pixels.size() / 2], want, 2))
                << Show(image->pixels[image->pixels.size() / 2]) << " against " << Show(want);
            EXPECT_EQ(messages.empty(), !c.warned) << messages;
            if (c.warned) {
                EXPECT_EQ(messages, "Warning: " + c.path +
                                        ": its colour profile cannot be read; its colours are "
                                        "taken as sRGB.\n");
            }
        }
    }
    // The profiles differ enough that a file read as sRGB would show it.
    EXPECT_FALSE(Near(Profile_Colour_In_sRGB(adobe, colour), colour, 4));
    EXPECT_FALSE(Near(Profile_Colour_In_sRGB(wide, colour), colour, 4));
}

TEST(PhotoFormats, PNGColourChunksWithoutAProfileAreHonouredWhenFitted) {
    // gAMA 1.0: linear samples; 128 of 255 is sRGB 188 (the sRGB curve at
    // 0.502 gives 0.7353). gAMA 1/2.2 alone is taken as sRGB.
    Temp_Dir dir;
    for (const double gamma : {1.0, 1 / 2.2}) {
        Test_PNG png = PNG_Of(2);
        png.samples.assign(width * height * 3, 128);
        png.gamma = gamma;
        Write_Test_PNG(dir.file("gamma.png"), png);
        const std::optional<DTImage> image = Load(dir.file("gamma.png"), Fit_Mode::crop);
        ASSERT_TRUE(image);
        const int want = gamma == 1.0 ? 188 : 128;
        EXPECT_NEAR(image->pixels[5000].g, want, 1) << gamma;
    }
}

TEST(PhotoFormats, DamagedFilesAreRefusedInOneLine) {
    Temp_Dir dir;
    const std::string png = dir.file("twin.png");
    Write_RGB_PNG(png, width, height, Blocks(width, height));
    const Test_TIFF tiff = TIFF_Of(width, height, Blocks(width, height));
    Write_Test_TIFF(dir.file("whole.tif"), tiff);
    Write_Test_GIF(dir.file("whole.gif"),
                   GIF_Of(8, 8, {{1, 2, 3}, {4, 5, 6}}, std::vector<std::uint8_t>(64, 1)));
    ASSERT_TRUE(Run_Tool("cwebp -q 80 " + png + " -o " + dir.file("whole.webp")));
    ASSERT_TRUE(Run_Tool("heif-enc -q 80 " + png + " -o " + dir.file("whole.heic")));
    ASSERT_TRUE(Run_Tool("heif-enc -q 80 " + png + " -o " + dir.file("whole.avif")));
    struct Case {
        const char* file;
        const char* kind;
    };
    for (const Case c :
         {Case{"whole.tif", "TIFF"}, Case{"whole.gif", "GIF"}, Case{"whole.webp", "WebP"},
          Case{"whole.heic", "HEIF"}, Case{"whole.avif", "HEIF"}}) {
        const std::vector<std::uint8_t> whole = Read_Bytes(dir.file(c.file));
        // Cut after its header, and with its middle overwritten.
        std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + whole.size() / 3);
        if (std::string(c.kind) == "TIFF") {
            cut.resize(whole.size() - 400); // its directory comes last
        }
        std::vector<std::uint8_t> scrambled = whole;
        for (std::size_t i = 16; i < scrambled.size() - 8; i += 3) {
            scrambled[i] = static_cast<std::uint8_t>(scrambled[i] * 7 + 1);
        }
        for (const auto& [what, bytes] :
             {std::pair{"cut", cut}, std::pair{"scrambled", scrambled}}) {
            SCOPED_TRACE(std::string(c.file) + " " + what);
            const std::string path = dir.file(std::string(what) + "-" + c.file);
            Write_Bytes(path, bytes);
            for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
                std::string messages;
                EXPECT_FALSE(Load(path, mode, &messages));
                const std::string start = std::string("Cannot read ") + c.kind + " " + path + ": ";
                EXPECT_EQ(messages.rfind(start, 0), 0u) << messages;
                EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
            }
        }
    }
}
