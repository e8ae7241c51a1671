#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "core/Picture_Rules.h"
#include "quant/DTPalette.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

namespace {

DTImage Filled(int width, int height, DTPixel colour) {
    return Image_Of(width, height,
                    std::vector<DTPixel>(static_cast<std::size_t>(width) * height, colour));
}

// Up to 16 colours far apart in the octree, so the reduction keeps them.
const DTPixel few_colours[] = {{200, 16, 40},   {0, 0, 0},     {255, 255, 255}, {16, 200, 90},
                               {12, 10, 9},     {8, 0, 0},     {90, 60, 220},   {250, 130, 0},
                               {60, 60, 60},    {130, 0, 130}, {0, 130, 130},   {180, 180, 20},
                               {100, 200, 250}, {30, 90, 30},  {220, 120, 160}, {140, 100, 60}};

std::int32_t Display_Of(DTPixel p) {
    return Display_Color(p.r, p.g, p.b);
}

DTPixel Split(std::int32_t c) {
    return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
            static_cast<std::uint8_t>(c)};
}

} // namespace

TEST(Conversion, OneColourImage) {
    for (int dither : {0, 1}) {
        const MQ4_Document picture = Convert_Image(Filled(128, 96, {255, 255, 255}), dither);
        EXPECT_EQ(Color_Word(picture.palette[0]), 0xF8F8F8);
        EXPECT_EQ(Encode_555(Color_Word(picture.palette[0])), 0xFFFF);
        for (int n = 0; n < picture_pixels; ++n) {
            ASSERT_EQ(picture.pixels[n], 0);
        }
        // Entries beyond the picture's colours are black.
        for (int i = 1; i < palette_size; ++i) {
            EXPECT_EQ(Color_Word(picture.palette[i]), 0);
            EXPECT_EQ(Encode_555(Color_Word(picture.palette[i])), 0x8000);
        }
        EXPECT_FALSE(picture.file_title);
        EXPECT_FALSE(picture.document_name);
    }
}

TEST(Conversion, ColoursAreNumberedInOrderOfFirstAppearance) {
    // The first 16 pixels introduce the colours in this order; the rest
    // repeat them in another.
    const int order[16] = {3, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 2, 1, 0};
    std::vector<DTPixel> pixels;
    std::vector<int> colour_of;
    for (int n = 0; n < picture_pixels; ++n) {
        const int k = n < 16 ? order[n] : (n * 7) % 16;
        pixels.push_back(few_colours[k]);
        colour_of.push_back(k);
    }
    for (int dither : {0, 1}) {
        const MQ4_Document picture = Convert_Image(Image_Of(128, 96, pixels), dither);
        for (int i = 0; i < palette_size; ++i) {
            EXPECT_EQ(Color_Word(picture.palette[i]), Display_Of(few_colours[order[i]])) << i;
        }
        for (int n = 0; n < picture_pixels; ++n) {
            ASSERT_EQ(order[picture.pixels[n]], colour_of[n]) << n;
        }
    }
}

TEST(Conversion, ColoursEqualAfterDownsamplingKeepTheirOwnIndices) {
    // (8, 8, 8) and (12, 12, 12) both show as 0x080808 but are two reduced
    // colours.
    std::vector<DTPixel> pixels(picture_pixels, DTPixel{8, 8, 8});
    for (int n = picture_pixels / 2; n < picture_pixels; ++n) {
        pixels[n] = {12, 12, 12};
    }
    const MQ4_Document picture = Convert_Image(Image_Of(128, 96, pixels), 0);
    EXPECT_EQ(Color_Word(picture.palette[0]), 0x080808);
    EXPECT_EQ(Color_Word(picture.palette[1]), 0x080808);
    EXPECT_EQ(Encode_555(Color_Word(picture.palette[1])), 0x8421);
    EXPECT_EQ(picture.pixels[0], 0);
    EXPECT_EQ(picture.pixels[picture_pixels - 1], 1);
}

TEST(Conversion, WideImagesGiveTheirTopRowsSplitInHalves) {
    std::vector<DTPixel> pixels;
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 256; ++x) {
            pixels.push_back(few_colours[(x / 16 + y) % 16]);
        }
    }
    const DTImage wide = Image_Of(256, 96, pixels);
    const DTImage working = Working_Image(wide);
    EXPECT_EQ(working.width, 128);
    EXPECT_EQ(working.height, 96);
    // Picture row 2r is the left half of image row r, 2r + 1 its right half.
    EXPECT_EQ(working.pixels[1 * 128 + 0], pixels[0 * 256 + 128]);
    EXPECT_EQ(working.pixels[95 * 128 + 127], pixels[47 * 256 + 255]);
    for (int dither : {0, 1}) {
        const MQ4_Document picture = Convert_Image(wide, dither);
        for (int y = 0; y < 96; ++y) {
            for (int x = 0; x < 128; ++x) {
                const DTPixel source = pixels[(y / 2) * 256 + (y % 2) * 128 + x];
                ASSERT_EQ(Color_Word(picture.palette[picture.pixels[y * 128 + x]]),
                          Display_Of(source))
                    << x << "," << y;
            }
        }
    }
}

TEST(Conversion, TallImagesGivePairsOfRowsSideBySide) {
    std::vector<DTPixel> pixels;
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 64; ++x) {
            pixels.push_back(few_colours[(x / 8 + y * 3) % 16]);
        }
    }
    const MQ4_Document picture = Convert_Image(Image_Of(64, 192, pixels), 0);
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            const DTPixel source = pixels[(2 * y + x / 64) * 64 + x % 64];
            ASSERT_EQ(Color_Word(picture.palette[picture.pixels[y * 128 + x]]), Display_Of(source))
                << x << "," << y;
        }
    }
}

TEST(Conversion, ImagesBelow12288PixelsGiveNoPicture) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Image_Fills_Picture(Filled(100, 50, {1, 2, 3})));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Image 100x50 is smaller than 128x96 (5000 of 12288 pixels).\n");
    EXPECT_TRUE(Image_Fills_Picture(Filled(12288, 1, {1, 2, 3})));
    EXPECT_TRUE(Image_Fills_Picture(Filled(128, 96, {1, 2, 3})));

    Temp_Dir dir;
    Write_RGB_PNG(dir.file("small.png"), 127, 96, std::vector<DTPixel>(127 * 96, {1, 2, 3}));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load_PNG_File(dir.file("small.png"), 0));
    EXPECT_FALSE(Load_Candidates(dir.file("small.png")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Image 127x96 is smaller than 128x96 (12192 of 12288 pixels).\n"
              "Image 127x96 is smaller than 128x96 (12192 of 12288 pixels).\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load_PNG_File(dir.file("missing.png"), 1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open image file: No such file or directory\n");
}

TEST(Candidates, BuiltFromOneImageInSlotOrder) {
    const DTImage image = Pattern_Image(128, 96, 11);
    const Candidates candidates = Build_Candidates(image);
    const MQ4_Document octree = Convert_Image(image, 0);
    const MQ4_Document diffusion = Convert_Image(image, 1);
    EXPECT_EQ(candidates[Index(Method::octree)].pixels, octree.pixels);
    EXPECT_EQ(candidates[Index(Method::octree)].palette, octree.palette);
    EXPECT_EQ(candidates[Index(Method::diffusion)].pixels, diffusion.pixels);
    EXPECT_EQ(candidates[Index(Method::diffusion)].palette, diffusion.palette);
    EXPECT_NE(candidates[Index(Method::diffusion)].pixels, octree.pixels);
    for (std::size_t slot : {Index(Method::floyd_steinberg), Index(Method::closest)}) {
        EXPECT_EQ(candidates[slot].palette, octree.palette);
    }
    for (const MQ4_Document& candidate : candidates) {
        EXPECT_FALSE(candidate.file_title);
        EXPECT_FALSE(candidate.document_name);
    }
    for (int slot = 0; slot < candidate_count; ++slot) {
        const MQ4_Document alone = Build_Candidate(image, method_table[slot].method);
        EXPECT_EQ(alone.pixels, candidates[slot].pixels) << slot;
        EXPECT_EQ(alone.palette, candidates[slot].palette) << slot;
    }
}

TEST(Candidates, ClosestColourPicksTheFirstNearestEntry) {
    const DTImage image = Pattern_Image(128, 96, 5);
    const MQ4_Document closest = Build_Candidates(image)[Index(Method::closest)];
    for (int n = 0; n < picture_pixels; ++n) {
        const DTPixel p = image.pixels[n];
        int best = 0;
        long best_distance = -1;
        for (int i = 0; i < palette_size; ++i) {
            const DTPixel q = Split(Color_Word(closest.palette[i]));
            const long d =
                (p.r - q.r) * (p.r - q.r) + (p.g - q.g) * (p.g - q.g) + (p.b - q.b) * (p.b - q.b);
            if (best_distance < 0 || d < best_distance) {
                best_distance = d;
                best = i;
            }
        }
        // The index is the first entry showing the chosen colour.
        int first = 0;
        while (Color_Word(closest.palette[first]) != Color_Word(closest.palette[best])) {
            ++first;
        }
        ASSERT_EQ(closest.pixels[n], first) << n;
    }
}

TEST(Candidates, FewColoursShareBlackFillersAndTakeTheLowestIndex) {
    // (3, 3, 3) shows as black like the 14 unused entries; white comes first.
    std::vector<DTPixel> pixels(picture_pixels, DTPixel{255, 255, 255});
    for (int n = 1; n < picture_pixels; n += 3) {
        pixels[n] = {3, 3, 3};
    }
    for (int n = 2; n < picture_pixels; n += 3) {
        pixels[n] = {40, 40, 40}; // nearest to black, dithered it varies
    }
    const Candidates candidates = Build_Candidates(Image_Of(128, 96, pixels));
    const MQ4_Document& octree = candidates[Index(Method::octree)];
    EXPECT_EQ(Color_Word(octree.palette[0]), 0xF8F8F8);
    EXPECT_EQ(Color_Word(octree.palette[1]), 0x000000);
    EXPECT_EQ(Color_Word(octree.palette[2]), 0x282828);
    for (int i = 3; i < palette_size; ++i) {
        EXPECT_EQ(Color_Word(octree.palette[i]), 0);
        EXPECT_EQ(Encode_555(Color_Word(octree.palette[i])), 0x8000);
    }
    for (std::size_t slot : {Index(Method::floyd_steinberg), Index(Method::closest)}) {
        for (int n = 0; n < picture_pixels; ++n) {
            ASSERT_LT(candidates[slot].pixels[n], 3) << "slot " << slot << " pixel " << n;
        }
    }
    EXPECT_EQ(candidates[Index(Method::closest)].pixels[1], 1);
    EXPECT_EQ(candidates[Index(Method::closest)].pixels[2], 2);
}

TEST(Candidates, LoadedOnceFromAFile) {
    Temp_Dir dir;
    const DTImage image = Pattern_Image(128, 96, 9);
    Write_RGB_PNG(dir.file("boat.png"), 128, 96, image.pixels);
    const std::optional<Candidates> loaded = Load_Candidates(dir.file("boat.png"));
    ASSERT_TRUE(loaded);
    const Candidates built = Build_Candidates(image);
    for (int slot = 0; slot < candidate_count; ++slot) {
        EXPECT_EQ((*loaded)[slot].pixels, built[slot].pixels) << slot;
        EXPECT_EQ((*loaded)[slot].palette, built[slot].palette) << slot;
    }
    const std::optional<MQ4_Document> diffusion = Load_PNG_File(dir.file("boat.png"), 1);
    ASSERT_TRUE(diffusion);
    EXPECT_EQ(diffusion->pixels, built[Index(Method::diffusion)].pixels);
}
