#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "convert/Palette_Mapping.h"
#include "convert/Perceptual_Conversion.h"
#include "convert/Refined_Conversion.h"
#include "core/Palette.h"
#include "core/Picture_Rules.h"
#include "io/MQ4_File.h"
#include "quant/Grid_Refine.h"
#include "support/Test_Images.h"

#include <set>
#include <thread>

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
    Octree_Workspace workspace;
    for (unsigned seed : {3u, 21u, 40u}) {
        const DTImage image = Pattern_Image(128, 96, seed);
        for (bool dither : {false, true}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " dither " << dither);
            const MQ4_Document picture = Convert_Refined(image, dither, workspace);
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
    Octree_Workspace workspace;
    const DTImage image = Pattern_Image(128, 96, 8);
    const MQ4_Document plain = Convert_Refined(image, false, workspace);
    const MQ4_Document dithered = Convert_Refined(image, true, workspace);
    const std::vector<DTPixel> palette = Refined_Palette(Working_Image(image), workspace);
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
    Octree_Workspace workspace;
    const DTImage image = Few_Grid_Colours();
    for (bool dither : {false, true}) {
        const MQ4_Document picture = Convert_Refined(image, dither, workspace);
        Expect_Well_Formed(picture);
        for (int n = 0; n < picture_pixels; ++n) {
            ASSERT_TRUE(Shown(picture, n) == image.pixels[n]) << "dither " << dither << " " << n;
        }
    }
}

TEST(RefinedConversion, ColoursNearTheGridShowTheirNearestLevels) {
    Octree_Workspace workspace;
    // 0x0D0A15 lies nearer to 0x100818 than to what truncation gives (0x080810).
    std::vector<DTPixel> pixels(picture_pixels, DTPixel{13, 10, 21});
    for (int n = 0; n < picture_pixels; n += 3) {
        pixels[n] = {250, 3, 124};
    }
    const MQ4_Document picture =
        Convert_Refined(Image_Of(picture_width, picture_height, pixels), false, workspace);
    EXPECT_EQ(Color_Word(picture.palette[0]), 0xF80080);
    EXPECT_EQ(Color_Word(picture.palette[1]), 0x100818);
    EXPECT_EQ(Encode_555(Color_Word(picture.palette[1])), 0x8823);
}

TEST(RefinedConversion, SameInputGivesTheSameBytes) {
    Octree_Workspace workspace;
    const DTImage image = Pattern_Image(128, 96, 12);
    for (Method method : {Method::refined, Method::refined_dither}) {
        const std::vector<std::uint8_t> first =
            File_Bytes(Build_Method_Picture(image, method, workspace));
        // Other work in between, the octree's shared pool included.
        Build_Candidates(Pattern_Image(128, 96, 13), workspace);
        EXPECT_EQ(File_Bytes(Build_Method_Picture(image, method, workspace)), first)
            << Method_Info(method).name;
    }
}

TEST(RefinedConversion, MethodNumbersReachEveryConversion) {
    Octree_Workspace workspace;
    const DTImage image = Pattern_Image(128, 96, 2);
    const Candidates candidates = Build_Candidates(image, workspace);
    for (int slot = 0; slot < candidate_count; ++slot) {
        EXPECT_EQ(File_Bytes(Build_Method_Picture(image, method_table[slot].method, workspace)),
                  File_Bytes(candidates[slot]));
    }
    EXPECT_EQ(File_Bytes(Build_Method_Picture(image, Method::refined, workspace)),
              File_Bytes(Convert_Refined(image, false, workspace)));
    EXPECT_EQ(File_Bytes(Build_Method_Picture(image, Method::refined_dither, workspace)),
              File_Bytes(Convert_Refined(image, true, workspace)));
    EXPECT_EQ(Method_Named("refined"), Method::refined);
    EXPECT_EQ(Method_Named("refined-dither"), Method::refined_dither);
}

namespace {

// Greys 0, 16, ..., 240, all fixed: a palette given by the user.
Palette_Colors Grey_Steps() {
    Palette_Colors greys;
    for (int i = 0; i < palette_size; ++i) {
        const auto level = static_cast<std::uint8_t>(16 * i);
        greys[i] = {level, level, level};
    }
    return greys;
}

std::set<std::int32_t> Colours_Shown(const MQ4_Document& picture) {
    std::set<std::int32_t> colours;
    for (const std::uint8_t index : picture.pixels) {
        colours.insert(Color_Word(picture.palette[index]));
    }
    return colours;
}

} // namespace

TEST(PerceptualConversion, NeverEndsWorseThanItsStartByItsOwnMeasure) {
    Octree_Workspace workspace;
    for (unsigned seed : {5u, 17u}) {
        const DTImage working = Working_Image(Pattern_Image(128, 96, seed));
        // A free refined start, and a given palette with half of it free.
        std::vector<bool> half(palette_size, false);
        std::fill_n(half.begin(), 8, true);
        for (const Perceptual_Start& start : {Refined_Start(working, workspace),
                                              Given_Palette_Start(working, Grey_Steps(), half)}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " placed " << start.placed);
            const Perceptual_Fit from{start.palette, start.indices};
            const Perceptual_Fit fit = Fit_Perceptual(working, from, start.movable);
            const Viewing_Model model = Perceptual_Model(working, from);
            EXPECT_LT(Perceptual_Error(model, fit), Perceptual_Error(model, from));
            ASSERT_EQ(fit.palette.size(), start.palette.size());
            for (std::size_t i = 0; i < fit.palette.size(); ++i) {
                EXPECT_TRUE(On_Grid(fit.palette[i])) << i;
                if (!start.movable[i]) {
                    EXPECT_TRUE(fit.palette[i] == start.palette[i]) << "entry " << i << " is kept";
                }
            }
        }
    }
}

TEST(PerceptualConversion, PicturesAreWellFormedAndTheSameOnEveryRunAndThread) {
    Octree_Workspace workspace;
    const DTImage working = Working_Image(Pattern_Image(128, 96, 9));
    const MQ4_Document picture = Convert_Perceptual(working, Refined_Start(working, workspace));
    Expect_Well_Formed(picture);
    EXPECT_GE(Colours_Shown(picture).size(), 8u);
    const std::vector<std::uint8_t> bytes = File_Bytes(picture);
    EXPECT_EQ(File_Bytes(Convert_Perceptual(working, Refined_Start(working, workspace))), bytes);
    std::vector<std::uint8_t> threaded[2];
    // Each thread with a workspace of its own, as a batch's threads have.
    const auto convert = [&](std::vector<std::uint8_t>* bytes) {
        Octree_Workspace own;
        *bytes = File_Bytes(Convert_Perceptual(working, Refined_Start(working, own)));
    };
    std::thread first(convert, &threaded[0]);
    std::thread second(convert, &threaded[1]);
    first.join();
    second.join();
    EXPECT_EQ(threaded[0], bytes);
    EXPECT_EQ(threaded[1], bytes);
}

TEST(PerceptualConversion, GivenAndKeptColoursKeepTheirPlaces) {
    Octree_Workspace workspace;
    const DTImage working = Working_Image(Pattern_Image(128, 96, 30));
    const MQ4_Document given =
        Convert_Perceptual(working, Given_Palette_Start(working, Grey_Steps()));
    EXPECT_TRUE(given.palette == Grey_Steps());
    // Three kept colours first, one of them used by no pixel; the others move
    // and follow in order of first appearance.
    Perceptual_Start kept = Refined_Start(working, workspace);
    kept.palette[2] = {8, 248, 248};
    for (std::uint8_t& index : kept.indices) {
        index = index == 2 ? 3 : index;
    }
    std::fill_n(kept.movable.begin(), 3, false);
    kept.placed = 3;
    const MQ4_Document picture = Convert_Perceptual(working, kept);
    int next_new = 3;
    std::set<int> used;
    for (int n = 0; n < picture_pixels; ++n) {
        const int index = picture.pixels[n];
        if (index >= 3 && used.insert(index).second) {
            ASSERT_EQ(index, next_new++);
        }
    }
    for (int i = 0; i < palette_size; ++i) {
        EXPECT_TRUE(i < 3 ? picture.palette[i] == kept.palette[i] : On_Grid(picture.palette[i]))
            << i;
    }    // The start that --keep-colour makes: the kept colours, put on the
    // levels, first and never moved.
    const MQ4_Document around =
        Convert_Perceptual(working, Kept_Start(working, {{3, 3, 3}, {250, 250, 250}}, workspace));
    EXPECT_EQ(around.palette[0], (DTPixel{0, 0, 0}));
    EXPECT_EQ(around.palette[1], (DTPixel{248, 248, 248}));
}

TEST(PerceptualConversion, AFlatImageGivesAFlatOrTwoColourPicture) {
    Octree_Workspace workspace;
    for (const int grey : {18, 59, 100, 203}) {
        SCOPED_TRACE(grey);
        const auto level = static_cast<std::uint8_t>(grey);
        const DTImage flat =
            Image_Of(picture_width, picture_height,
                     std::vector<DTPixel>(picture_pixels, DTPixel{level, level, level}));
        // Free to choose, the picture shows the levels beside the image's
        // grey; on the given greys it mixes the two around it and no others.
        const std::int32_t below = grey / grid_step * grid_step * 0x010101;
        const std::int32_t above = below + grid_step * 0x010101;
        const std::set<std::int32_t> free =
            Colours_Shown(Convert_Perceptual(flat, Refined_Start(flat, workspace)));
        EXPECT_LE(free.size(), 2u);
        for (const std::int32_t colour : free) {
            EXPECT_TRUE(colour == below || colour == above) << std::hex << colour;
        }
        const std::int32_t grey_below = grey / 16 * 16 * 0x010101;
        EXPECT_EQ(Colours_Shown(Convert_Perceptual(flat, Given_Palette_Start(flat, Grey_Steps()))),
                  (std::set<std::int32_t>{grey_below, grey_below + 16 * 0x010101}));
    }
}

TEST(PerceptualConversion, SixteenColoursOnTheLevelsComeBackUnchanged) {
    Octree_Workspace workspace;
    std::vector<DTPixel> pixels = Few_Grid_Colours().pixels;
    // Two more grid colours in blocks of their own.
    for (int n = 0; n < picture_pixels; ++n) {
        if (n % 128 >= 100 && n / 128 >= 70) {
            pixels[n] = n % 128 < 114 ? DTPixel{56, 0, 248} : DTPixel{248, 176, 8};
        }
    }
    const DTImage image = Image_Of(picture_width, picture_height, pixels);
    const MQ4_Document picture = Convert_Perceptual(image, Refined_Start(image, workspace));
    Expect_Well_Formed(picture);
    EXPECT_EQ(Colours_Shown(picture).size(), 16u);
    for (int n = 0; n < picture_pixels; ++n) {
        ASSERT_TRUE(Shown(picture, n) == image.pixels[n]) << n;
    }
}

TEST(RefinedConversion, KeptColoursTakeTheFirstEntriesWithEveryDither) {
    Octree_Workspace workspace;
    const DTImage image = Pattern_Image(128, 96, 5);
    const std::vector<DTPixel> kept{{1, 2, 3}, {250, 250, 250}, {0, 255, 0}};
    for (const Dither_Kind kind :
         {Dither_Kind::none, Dither_Kind::floyd_steinberg, Dither_Kind::bayer4}) {
        SCOPED_TRACE(Dither_Kind_Name(kind));
        const MQ4_Document picture = Convert_Refined(image, {{kind}, kept}, workspace);
        EXPECT_EQ(picture.palette[0], (DTPixel{0, 0, 0}));
        EXPECT_EQ(picture.palette[1], (DTPixel{248, 248, 248}));
        EXPECT_EQ(picture.palette[2], (DTPixel{0, 248, 0}));
        for (int i = 3; i < palette_size; ++i) {
            EXPECT_TRUE(On_Grid(picture.palette[i]));
        }
        // Without kept colours the refined methods' pictures come out.
        if (kind != Dither_Kind::bayer4) {
            EXPECT_EQ(File_Bytes(Convert_Refined(image, {{kind}, {}}, workspace)),
                      File_Bytes(
                          Convert_Refined(image, kind == Dither_Kind::floyd_steinberg, workspace)));
        }
    }
}

TEST(PaletteMapping, SharedAndFilledPalettesKeepTheirGivenColoursFirst) {
    Octree_Workspace workspace;
    const DTImage image = Working_Image(Pattern_Image(128, 96, 6));
    const std::vector<DTPixel> given{{0, 0, 0}, {13, 200, 7}};
    const Palette_Colors shared = Fit_Shared_Palette(image.pixels, given, workspace);
    const Palette_Colors filled = Fill_Palette(image, given, workspace);
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
