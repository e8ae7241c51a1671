// Fitting images of any size to the picture: the geometry, the box
// reduction, EXIF orientation and the row-by-row fit.

#include <gtest/gtest.h>

#include "image/Box_Reduce.h"
#include "image/Fit_Geometry.h"
#include "image/Image_Fit.h"
#include "image/Image_Resize.h"
#include "image/Orientation.h"
#include "support/Test_Images.h"
#include "support/Test_JPEG.h"

#include <algorithm>
#include <cstdlib>

namespace {

DTPixel At(const DTImage& image, int x, int y) {
    return image.pixels[static_cast<std::size_t>(y) * image.width + x];
}

bool Near(DTPixel a, DTPixel b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Show(DTPixel p) {
    return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b);
}

constexpr DTPixel black{0, 0, 0};

// The largest difference of any sample; two routes to one result may
// round a float differently here and there.
int Max_Difference(const DTImage& a, const DTImage& b) {
    if (a.pixels.size() != b.pixels.size()) {
        return 256;
    }
    int largest = 0;
    for (std::size_t n = 0; n < a.pixels.size(); ++n) {
        largest = std::max({largest, std::abs(a.pixels[n].r - b.pixels[n].r),
                            std::abs(a.pixels[n].g - b.pixels[n].g),
                            std::abs(a.pixels[n].b - b.pixels[n].b)});
    }
    return largest;
}

} // namespace

TEST(FitGeometry, EachModePlacesTheImage) {
    struct Case {
        Pixel_Size image;
        Fit_Mode mode;
        Pixel_Rect dest;
        Source_Region source;
    };
    const Case cases[] = {
        // Wider than 4:3: crop keeps the middle columns, pad leaves bands
        // above and below.
        {{400, 100}, Fit_Mode::crop, {0, 0, 128, 96}, {128 / 0.96, 0, 256 / 0.96, 100}},
        {{400, 100}, Fit_Mode::pad, {0, 32, 128, 64}, {0, 0, 400, 100}},
        {{400, 100}, Fit_Mode::stretch, {0, 0, 128, 96}, {0, 0, 400, 100}},
        // Taller: the other way round.
        // Covering takes 128x341, cut from row 122 on.
        {{96, 256}, Fit_Mode::crop, {0, 0, 128, 96}, {0, 122 * 256 / 341.0, 96, 218 * 256 / 341.0}},
        {{96, 256}, Fit_Mode::pad, {46, 0, 82, 96}, {0, 0, 96, 256}},
        // An odd excess: a 1920x1080 photo covers 171x96, 43 columns too
        // many; 21 are cut on the left, 22 on the right.
        {{1920, 1080},
         Fit_Mode::crop,
         {0, 0, 128, 96},
         {21 * 1920 / 171.0, 0, 149 * 1920 / 171.0, 1080}},
        // Smaller than the picture: enlarged.
        {{32, 24}, Fit_Mode::pad, {0, 0, 128, 96}, {0, 0, 32, 24}},
        {{32, 24}, Fit_Mode::crop, {0, 0, 128, 96}, {0, 0, 32, 24}},
        // A line of pixels still covers one row.
        {{5000, 1}, Fit_Mode::pad, {0, 47, 128, 48}, {0, 0, 5000, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.image.width) + "x" + std::to_string(c.image.height) +
                     " mode " + std::to_string(static_cast<int>(c.mode)));
        const Fit_Plan plan = Plan_Fit(c.image, c.mode, {128, 96});
        EXPECT_EQ(plan.dest, c.dest);
        EXPECT_NEAR(plan.source.x0, c.source.x0, 1e-9);
        EXPECT_NEAR(plan.source.y0, c.source.y0, 1e-9);
        EXPECT_NEAR(plan.source.x1, c.source.x1, 1e-9);
        EXPECT_NEAR(plan.source.y1, c.source.y1, 1e-9);
    }
}

TEST(FitGeometry, ShrinkingStopsAtTwiceWhatThePictureShows) {
    // A 4000x3000 photo cropped shows at 128x96: decode at least 256x192.
    const Fit_Plan crop = Plan_Fit({4000, 3000}, Fit_Mode::crop, {128, 96});
    EXPECT_EQ(Min_Shrunk_Size({4000, 3000}, crop), (Pixel_Size{256, 192}));
    EXPECT_EQ(Box_Factors({4000, 3000}, {256, 192}), (Pixel_Size{15, 15}));
    // A panorama keeps its width's detail: crop shows a sliver of it.
    const Fit_Plan wide = Plan_Fit({16000, 1000}, Fit_Mode::crop, {128, 96});
    EXPECT_EQ(Min_Shrunk_Size({16000, 1000}, wide), (Pixel_Size{3072, 192}));
    // Never more than the image itself, and never a factor below 1.
    const Fit_Plan small = Plan_Fit({100, 50}, Fit_Mode::stretch, {128, 96});
    EXPECT_EQ(Min_Shrunk_Size({100, 50}, small), (Pixel_Size{100, 50}));
    EXPECT_EQ(Box_Factors({100, 50}, {100, 50}), (Pixel_Size{1, 1}));
    EXPECT_EQ(Box_Factors({1001, 7}, {100, 7}), (Pixel_Size{10, 1}));
    // Capped, so that a block's sum fits in 32 bits.
    EXPECT_EQ(Box_Factors({16384, 16384}, {1, 2}), (Pixel_Size{256, 256}));
}

TEST(BoxReduce, AveragesBlocksInLinearLight) {
    // Black and white average to the sRGB value of half the light, not 128.
    const DTImage checker =
        Image_Of(2, 2, {{0, 0, 0}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}});
    const DTImage one = Box_Reduce(checker, 2, 2);
    ASSERT_EQ(one.width, 1);
    ASSERT_EQ(one.height, 1);
    EXPECT_EQ(one.pixels[0], (DTPixel{188, 188, 188}));
    // Edge blocks average only the pixels they have: a 5x3 image by 2x2 is
    // 3x2, the last column and row from one or two pixels.
    std::vector<DTPixel> pixels;
    for (int n = 0; n < 15; ++n) {
        pixels.push_back({static_cast<std::uint8_t>(n * 10), 7, static_cast<std::uint8_t>(n)});
    }
    const DTImage reduced = Box_Reduce(Image_Of(5, 3, pixels), 2, 2);
    ASSERT_EQ(reduced.width, 3);
    ASSERT_EQ(reduced.height, 2);
    EXPECT_EQ(At(reduced, 2, 1), pixels[14]);
    EXPECT_EQ(At(reduced, 2, 0).g, 7);
    EXPECT_EQ(At(reduced, 2, 0).r, Linear16_To_Srgb(static_cast<std::uint16_t>(
                                       (Srgb_To_Linear16(40) + Srgb_To_Linear16(90) + 1) / 2)));
}

TEST(BoxReduce, FactorOneAndEverySampleComeBackExactly) {
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(Linear16_To_Srgb(Srgb_To_Linear16(static_cast<std::uint8_t>(v))), v);
    }
    const DTImage image = Pattern_Image(7, 5, 3);
    EXPECT_EQ(Box_Reduce(image, 1, 1).pixels, image.pixels);
    // The largest block, all white, sums to just under 2^32.
    const DTImage white = Image_Of(256, 256, std::vector<DTPixel>(65536, {255, 255, 255}));
    EXPECT_EQ(Box_Reduce(white, 256, 256).pixels, std::vector<DTPixel>{white.pixels[0]});
}

TEST(Orientation, EachTagTurnsTheImageUpright) {
    // Stored 3x2:  a b c
    //              d e f
    const std::vector<DTPixel> stored_pixels{{1, 0, 0}, {2, 0, 0}, {3, 0, 0},
                                             {4, 0, 0}, {5, 0, 0}, {6, 0, 0}};
    const DTImage stored = Image_Of(3, 2, stored_pixels);
    struct Case {
        int orientation;
        int width;
        std::vector<int> upright; // red values, row-major
    };
    const Case cases[] = {
        {1, 3, {1, 2, 3, 4, 5, 6}}, {2, 3, {3, 2, 1, 6, 5, 4}}, {3, 3, {6, 5, 4, 3, 2, 1}},
        {4, 3, {4, 5, 6, 1, 2, 3}}, {5, 2, {1, 4, 2, 5, 3, 6}}, {6, 2, {4, 1, 5, 2, 6, 3}},
        {7, 2, {6, 3, 5, 2, 4, 1}}, {8, 2, {3, 6, 2, 5, 1, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        const DTImage upright = Apply_Orientation(stored, c.orientation);
        EXPECT_EQ(upright.width, c.width);
        EXPECT_EQ(upright.height, 6 / c.width);
        std::vector<int> reds;
        for (const DTPixel& p : upright.pixels) {
            reds.push_back(p.r);
        }
        EXPECT_EQ(reds, c.upright);
        // Any rectangle of the upright image is the stored rectangle turned.
        const Pixel_Rect part{0, 1, upright.width, upright.height};
        const Pixel_Rect from = Stored_Rect(part, {3, 2}, c.orientation);
        std::vector<DTPixel> cut;
        for (int y = from.y0; y < from.y1; ++y) {
            for (int x = from.x0; x < from.x1; ++x) {
                cut.push_back(At(stored, x, y));
            }
        }
        const DTImage turned =
            Apply_Orientation(Image_Of(from.x1 - from.x0, from.y1 - from.y0, cut), c.orientation);
        EXPECT_EQ(turned.pixels, std::vector<DTPixel>(upright.pixels.begin() + upright.width,
                                                      upright.pixels.end()));
    }
}

TEST(Orientation, ReadFromTheExifBlock) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool little : {false, true}) {
            const std::vector<std::uint8_t> block = Exif_Block(orientation, little);
            EXPECT_EQ(Exif_Orientation(block.data(), block.size()), orientation);
        }
    }
    std::vector<std::uint8_t> block = Exif_Block(9, false);
    EXPECT_EQ(Exif_Orientation(block.data(), block.size()), 1) << "out of range";
    block = Exif_Block(6, false);
    block.resize(20);
    EXPECT_EQ(Exif_Orientation(block.data(), block.size()), 1) << "cut short";
    const std::uint8_t junk[] = {'E', 'x', 'i', 'f', 0, 0, 'Z', 'Z', 1, 2, 3};
    EXPECT_EQ(Exif_Orientation(junk, sizeof junk), 1);
    EXPECT_EQ(Exif_Orientation(nullptr, 0), 1);
}

TEST(ImageFit, QuadrantsLandWhereEachModePutsThem) {
    // 400x100: red, green over blue, white.
    const DTImage image = Image_Of(400, 100, Quadrants(400, 100));
    const DTPixel red = quadrant_colours[0], green = quadrant_colours[1];
    const DTPixel blue = quadrant_colours[2], white = quadrant_colours[3];
    struct Probe {
        int x;
        int y;
        DTPixel colour;
    };
    const std::pair<Fit_Mode, std::vector<Probe>> cases[] = {
        {Fit_Mode::crop, {{10, 10, red}, {117, 10, green}, {10, 85, blue}, {117, 85, white}}},
        {Fit_Mode::stretch, {{10, 10, red}, {117, 10, green}, {10, 85, blue}, {117, 85, white}}},
        {Fit_Mode::pad,
         {{10, 10, black},
          {10, 85, black},
          {10, 36, red},
          {117, 36, green},
          {10, 60, blue},
          {117, 60, white},
          {64, 31, black},
          {64, 64, black}}},
    };
    for (const auto& [mode, probes] : cases) {
        SCOPED_TRACE(static_cast<int>(mode));
        const DTImage fitted = Fit_Whole_Image(image, mode);
        ASSERT_EQ(fitted.width, 128);
        ASSERT_EQ(fitted.height, 96);
        for (const Probe& probe : probes) {
            EXPECT_TRUE(Near(At(fitted, probe.x, probe.y), probe.colour, 2))
                << probe.x << "," << probe.y << ": " << Show(At(fitted, probe.x, probe.y));
        }
    }
}

TEST(ImageFit, PictureSizedImagePassesUnchanged) {
    const DTImage image = Pattern_Image(128, 96, 5);
    for (Fit_Mode mode : {Fit_Mode::crop, Fit_Mode::pad, Fit_Mode::stretch}) {
        EXPECT_EQ(Fit_Whole_Image(image, mode).pixels, image.pixels);
    }
}

// The fit of an image fed as stored rows in the orientation.
DTImage Fit_Rows(const DTImage& stored, int orientation, Fit_Mode mode) {
    const Pixel_Size size{stored.width, stored.height};
    Image_Fit fit = Start_Image_Fit(size, orientation, mode, size);
    for (int y = 0; y < stored.height; ++y) {
        Add_Fit_Row(&fit, y, &stored.pixels[static_cast<std::size_t>(y) * stored.width]);
    }
    return Finish_Image_Fit(fit);
}

TEST(ImageFit, AnOddExcessIsCutOneColumnMoreOnTheRight) {
    // At the covering size itself the crop is a plain cut: columns 21 to
    // 148 of 171 (an excess of 43), rows 9 to 104 of 115 (19). White lines
    // on the first and last kept column (or row) must land on the picture's
    // edges, not one pixel in or out.
    for (const bool across : {true, false}) {
        const Pixel_Size size = across ? Pixel_Size{171, 96} : Pixel_Size{128, 115};
        const int first = across ? 21 : 9;
        const int last = first + (across ? 127 : 95);
        std::vector<DTPixel> pixels;
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x) {
                const int at = across ? x : y;
                const std::uint8_t level = at == first || at == last ? 255 : 0;
                pixels.push_back({level, level, level});
            }
        }
        const DTImage fitted =
            Fit_Whole_Image(Image_Of(size.width, size.height, pixels), Fit_Mode::crop);
        const auto level = [&](int at) {
            return (across ? At(fitted, at, 48) : At(fitted, 64, at)).g;
        };
        const int end = across ? 127 : 95;
        SCOPED_TRACE(across ? "across" : "down");
        EXPECT_GT(level(0), 200);
        EXPECT_GT(level(end), 200);
        EXPECT_LT(level(1), 128);
        EXPECT_LT(level(end - 1), 128);
    }
}

TEST(ImageFit, RowsAsStoredGiveTheFitOfTheUprightImage) {
    // Fed the stored rows of a turned image, the fit reduces and keeps a
    // part of the stored image and turns only that: the result must be the
    // fit of the whole upright image. 702x264 reduces by factors that divide
    // it in every case, so the blocks are the same either way.
    const DTImage stored = Pattern_Image(702, 264, 9);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (Fit_Mode mode : {Fit_Mode::crop, Fit_Mode::pad}) {
            SCOPED_TRACE(testing::Message() << orientation << " " << static_cast<int>(mode));
            EXPECT_LE(Max_Difference(Fit_Rows(stored, orientation, mode),
                                     Fit_Whole_Image(Apply_Orientation(stored, orientation), mode)),
                      1);
        }
    }
}

TEST(ImageFit, PartialBlocksOfATurnedImageStayInPlace) {
    // Where turning reverses an axis, the last, partial block of the stored
    // rows comes first: a smooth ramp shows whether it is placed right.
    std::vector<DTPixel> ramp;
    for (int y = 0; y < 1003; ++y) {
        for (int x = 0; x < 1501; ++x) {
            ramp.push_back({static_cast<std::uint8_t>(x * 255 / 1500),
                            static_cast<std::uint8_t>(y * 255 / 1002), 90});
        }
    }
    // Reduced by 3 along both axes, a block of one row and column left over.
    const DTImage stored = Image_Of(1501, 1003, ramp);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        EXPECT_LE(
            Max_Difference(Fit_Rows(stored, orientation, Fit_Mode::crop),
                           Fit_Whole_Image(Apply_Orientation(stored, orientation), Fit_Mode::crop)),
            1);
    }
}

TEST(ImageFit, KeepingOnlyWhatTheFilterReadsChangesNothing) {
    const DTImage image = Pattern_Image(2000, 300, 4);
    const DTImage fitted = Fit_Whole_Image(image, Fit_Mode::crop);
    // The same filter over the whole reduced image: 2000x300 reduces by 1
    // across (the crop shows 400 columns) and 1 down.
    const Fit_Plan plan = Plan_Fit({2000, 300}, Fit_Mode::crop, {128, 96});
    EXPECT_LE(Max_Difference(fitted, Resize_Region(image, plan.source, 128, 96)), 1);
    // And with a reduction: 4000x3000 by 15.
    const DTImage big = Pattern_Image(4000, 600, 2);
    const Fit_Plan big_plan = Plan_Fit({4000, 600}, Fit_Mode::crop, {128, 96});
    const Pixel_Size factors = Box_Factors({4000, 600}, Min_Shrunk_Size({4000, 600}, big_plan));
    ASSERT_EQ(factors, (Pixel_Size{3, 3}));
    const DTImage reduced = Box_Reduce(big, 3, 3);
    const Source_Region region{big_plan.source.x0 / 3, big_plan.source.y0 / 3,
                               big_plan.source.x1 / 3, big_plan.source.y1 / 3};
    EXPECT_LE(Max_Difference(Fit_Whole_Image(big, Fit_Mode::crop),
                             Resize_Region(reduced, region, 128, 96)),
              1);
}
