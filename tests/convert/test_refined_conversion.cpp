#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "convert/Palette_Mapping.h"
#include "convert/Refined_Conversion.h"
#include "core/Picture_Rules.h"
#include "io/MQ4_File.h"
#include "quant/Grid_Refine.h"
#include "support/Test_Images.h"

#include <set>

namespace {

DTPixel Split(std::int32_t c) {
    return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
            static_cast<std::uint8_t>(c)};
}

DTPixel Shown(const MQ4_Document& picture, int n) {
    return Split(Color_Word(picture.palette[picture.pixels[n]]));
}

// Fourteen colours on the grid in bands and blocks.
DTImage Few_Grid_Colours() {
    const DTPixel colours[] = {{0, 0, 0},     {248, 248, 248}, {248, 0, 0},   {0, 248, 0},
                               {0, 0, 248},   {128, 64, 32},   {8, 16, 24},   {240, 232, 224},
                               {96, 96, 96},  {104, 96, 96},   {200, 8, 160}, {64, 200, 128},
                               {16, 120, 40}, {152, 152, 0}};
    std::vector<DTPixel> pixels;
    for (int n = 0; n < picture_pixels; ++n) {
        pixels.push_back(colours[(n % 128 / 10 + n / 128 / 30) % 14]);
    }
    return Image_Of(picture_width, picture_height, pixels);
}

void Expect_Well_Formed(const MQ4_Document& picture) {
    std::set<int> used;
    int next_new = 0;
    for (int n = 0; n < picture_pixels; ++n) {
        const int index = picture.pixels[n];
        ASSERT_LT(index, palette_size);
        // Indices are numbered in order of first appearance.
        if (used.insert(index).second) {
            ASSERT_EQ(index, next_new++);
        }
    }
    for (int i = 0; i < palette_size; ++i) {
        EXPECT_TRUE(On_Grid(Split(Color_Word(picture.palette[i])))) << i;
        if (i >= next_new) {
            EXPECT_EQ(Color_Word(picture.palette[i]), 0) << "unused entries are black";
        }
    }
    EXPECT_FALSE(picture.file_title);
    EXPECT_FALSE(picture.document_name);
}

std::vector<std::uint8_t> File_Bytes(const MQ4_Document& picture) {
    const MQ4_Bytes bytes = Encode_MQ4(picture);
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(RefinedConversion, PicturesAreWellFormedAndOnTheGrid) {
    for (unsigned seed : {3u, 21u, 40u}) {
        const DTImage image = Pattern_Image(128, 96, seed);
        for (bool dither : {false, true}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " dither " << dither);
            const MQ4_Document picture = Convert_Refined(image, dither);
            Expect_Well_Formed(picture);
            std::set<std::int32_t> colours;
            for (int n = 0; n < picture_pixels; ++n) {
                colours.insert(Color_Word(picture.palette[picture.pixels[n]]));
            }
            EXPECT_LE(colours.size(), 16u);
            EXPECT_GE(colours.size(), 8u) << "a photo-like picture uses most of the palette";
        }
    }
}

TEST(RefinedConversion, DitherUsesTheSamePalette) {
    const DTImage image = Pattern_Image(128, 96, 8);
    const MQ4_Document plain = Convert_Refined(image, false);
    const MQ4_Document dithered = Convert_Refined(image, true);
    const std::vector<DTPixel> palette = Refined_Palette(Working_Image(image));
    for (const MQ4_Document* picture : {&plain, &dithered}) {
        for (int n = 0; n < picture_pixels; ++n) {
            const DTPixel shown = Shown(*picture, n);
            ASSERT_NE(std::find(palette.begin(), palette.end(), shown), palette.end()) << n;
        }
    }
    // Without dithering every pixel shows its nearest palette colour.
    for (int n = 0; n < picture_pixels; ++n) {
        const DTPixel pixel = image.pixels[n];
        ASSERT_EQ(Squared_Distance(pixel, Shown(plain, n)),
                  Squared_Distance(pixel, palette[Nearest_Index(palette, pixel)]))
            << n;
    }
}

TEST(RefinedConversion, FewDisplayableColoursComeOutExactly) {
    const DTImage image = Few_Grid_Colours();
    for (bool dither : {false, true}) {
        const MQ4_Document picture = Convert_Refined(image, dither);
        Expect_Well_Formed(picture);
        for (int n = 0; n < picture_pixels; ++n) {
            ASSERT_TRUE(Shown(picture, n) == image.pixels[n]) << "dither " << dither << " " << n;
        }
    }
}

TEST(RefinedConversion, ColoursNearTheGridShowTheirNearestLevels) {
    // 0x0D0A15 lies nearer to 0x100818 than to what truncation gives (0x080810).
    std::vector<DTPixel> pixels(picture_pixels, DTPixel{13, 10, 21});
    for (int n = 0; n < picture_pixels; n += 3) {
        pixels[n] = {250, 3, 124};
    }
    const MQ4_Document picture =
        Convert_Refined(Image_Of(picture_width, picture_height, pixels), false);
    EXPECT_EQ(Color_Word(picture.palette[0]), 0xF80080);
    EXPECT_EQ(Color_Word(picture.palette[1]), 0x100818);
    EXPECT_EQ(Encode_555(Color_Word(picture.palette[1])), 0x8823);
}

TEST(RefinedConversion, SameInputGivesTheSameBytes) {
    const DTImage image = Pattern_Image(128, 96, 12);
    for (Method method : {Method::refined, Method::refined_dither}) {
        const std::vector<std::uint8_t> first = File_Bytes(Build_Method_Picture(image, method));
        // Other work in between, the octree's shared pool included.
        Build_Candidates(Pattern_Image(128, 96, 13));
        EXPECT_EQ(File_Bytes(Build_Method_Picture(image, method)), first)
            << Method_Info(method).name;
    }
}

TEST(RefinedConversion, MethodNumbersReachEveryConversion) {
    const DTImage image = Pattern_Image(128, 96, 2);
    const Candidates candidates = Build_Candidates(image);
    for (int slot = 0; slot < candidate_count; ++slot) {
        EXPECT_EQ(File_Bytes(Build_Method_Picture(image, method_table[slot].method)),
                  File_Bytes(candidates[slot]));
    }
    EXPECT_EQ(File_Bytes(Build_Method_Picture(image, Method::refined)),
              File_Bytes(Convert_Refined(image, false)));
    EXPECT_EQ(File_Bytes(Build_Method_Picture(image, Method::refined_dither)),
              File_Bytes(Convert_Refined(image, true)));
    EXPECT_EQ(Method_Named("refined"), Method::refined);
    EXPECT_EQ(Method_Named("refined-dither"), Method::refined_dither);
}

TEST(RefinedConversion, KeptColoursTakeTheFirstEntriesWithEveryDither) {
    const DTImage image = Pattern_Image(128, 96, 5);
    const std::vector<DTPixel> kept{{1, 2, 3}, {250, 250, 250}, {0, 255, 0}};
    for (const Dither_Kind kind :
         {Dither_Kind::none, Dither_Kind::floyd_steinberg, Dither_Kind::bayer4}) {
        SCOPED_TRACE(Dither_Kind_Name(kind));
        const MQ4_Document picture = Convert_Refined(image, {{kind}, kept});
        EXPECT_EQ(picture.palette[0], (DTPixel{0, 0, 0}));
        EXPECT_EQ(picture.palette[1], (DTPixel{248, 248, 248}));
        EXPECT_EQ(picture.palette[2], (DTPixel{0, 248, 0}));
        for (int i = 3; i < palette_size; ++i) {
            EXPECT_TRUE(On_Grid(picture.palette[i]));
        }
        // Without kept colours the refined methods' pictures come out.
        if (kind != Dither_Kind::bayer4) {
            EXPECT_EQ(File_Bytes(Convert_Refined(image, {{kind}, {}})),
                      File_Bytes(Convert_Refined(image, kind == Dither_Kind::floyd_steinberg)));
        }
    }
}

TEST(PaletteMapping, SharedAndFilledPalettesKeepTheirGivenColoursFirst) {
    const DTImage image = Working_Image(Pattern_Image(128, 96, 6));
    const std::vector<DTPixel> given{{0, 0, 0}, {13, 200, 7}};
    const Palette_Colors shared = Fit_Shared_Palette(image.pixels, given);
    const Palette_Colors filled = Fill_Palette(image, given);
    for (const Palette_Colors* palette : {&shared, &filled}) {
        EXPECT_TRUE((*palette)[0] == (DTPixel{0, 0, 0}));
        EXPECT_TRUE((*palette)[1] == (DTPixel{16, 200, 8}));
        // The empty entries are fitted, not left black.
        std::set<std::int32_t> distinct;
        for (const DTPixel& colour : *palette) {
            distinct.insert(Display_Color(colour.r, colour.g, colour.b));
        }
        EXPECT_EQ(distinct.size(), 16u);
    }
    // A dither kind maps onto the palette as given.
    const MQ4_Document mapped =
        Map_Onto_Palette(image, filled, Dither_Options{Dither_Kind::blue_noise});
    EXPECT_EQ(mapped.palette, filled);
}
