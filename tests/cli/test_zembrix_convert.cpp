// zembrix-convert run as a process, as a user or a script would.

#include <gtest/gtest.h>

#include "cli/Convert_Options.h"
#include "convert/Conversion.h"
#include "convert/Method_Comparison.h"
#include "convert/Refined_Conversion.h"
#include "image/Image_File.h"
#include "io/MQ4_File.h"
#include "io/PNG_Writer.h"
#include "quant/Color_Difference.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <cmath>

namespace {

struct Converter_Test : testing::Test {
    Temp_Dir dir;
    DTImage image = Pattern_Image(128, 96, 21);
    std::string input = dir.file("boat.png");
    void SetUp() override { Write_RGB_PNG(input, 128, 96, image.pixels); }
};

std::vector<std::uint8_t> Mq4_Bytes(const MQ4_Document& picture) {
    const MQ4_Bytes bytes = Encode_MQ4(picture);
    return {bytes.begin(), bytes.end()};
}

// Eight colours in blocks of 16 x 12 pixels.
std::vector<DTPixel> Blocks_Of(const std::vector<DTPixel>& colours) {
    std::vector<DTPixel> pixels;
    for (int n = 0; n < 12288; ++n) {
        pixels.push_back(colours[(n % 128 / 16 + n / 128 / 12) % colours.size()]);
    }
    return pixels;
}

std::vector<std::string> Lines_Of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start + 1));
    }
    return lines;
}

} // namespace

TEST_F(Converter_Test, EachMethodWritesItsImportSlot) {
    Octree_Workspace workspace;
    const Candidates candidates = Build_Candidates(image, workspace);
    const std::pair<std::string, int> methods[] = {
        {"floyd-steinberg", 0}, {"diffusion", 1}, {"octree", 2}, {"closest", 3}};
    for (const auto& [method, slot] : methods) {
        SCOPED_TRACE(method);
        const std::string output = dir.file(method + ".MQ4");
        const Converter_Result result = Run_Converter({"--method", method, input, output});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(Read_Bytes(output), Mq4_Bytes(candidates[slot]));
    }
    // Without --method: Floyd-Steinberg.
    const Converter_Result result = Run_Converter({input, dir.file("default.mq4")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Read_Bytes(dir.file("default.mq4")), Mq4_Bytes(candidates[0]));
}

TEST_F(Converter_Test, PpmInputIsRecognisedByItsBytes) {
    Octree_Workspace workspace;
    Write_Bytes(dir.file("boat.png.data"), PPM_Bytes(128, 96, image.pixels));
    const Converter_Result result =
        Run_Converter({"--method", "octree", dir.file("boat.png.data"), dir.file("out.MQ4")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Read_Bytes(dir.file("out.MQ4")), Mq4_Bytes(Build_Candidates(image, workspace)[2]));
}

TEST_F(Converter_Test, PngOutputShowsDisplayColoursScaled) {
    Octree_Workspace workspace;
    const Converter_Result result =
        Run_Converter({"--method", "diffusion", "--scale", "3", input, dir.file("big.PNG")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    const MQ4_Document picture = Build_Candidates(image, workspace)[1];
    EXPECT_EQ(Read_Bytes(dir.file("big.PNG")), *Encode_PNG_Picture(picture, 3));
    const std::optional<DTImage> written = CreateImageFromFile(dir.file("big.PNG").c_str());
    ASSERT_TRUE(written);
    EXPECT_EQ(written->width, 384);
    EXPECT_EQ(written->height, 288);
    const std::int32_t c = Color_Word(picture.palette[picture.pixels[127]]);
    EXPECT_EQ(written->pixels[383],
              (DTPixel{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                       static_cast<std::uint8_t>(c)}));
}

TEST_F(Converter_Test, Mq4InputIsReadWithoutConversion) {
    Octree_Workspace workspace;
    MQ4_Document picture = Build_Candidates(image, workspace)[3];
    ASSERT_TRUE(Write_MQ4_File(dir.file("pic.mq4"), picture));
    Converter_Result result =
        Run_Converter({"--method", "diffusion", dir.file("pic.mq4"), dir.file("copy.MQ4")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Read_Bytes(dir.file("copy.MQ4")), Read_Bytes(dir.file("pic.mq4")));
    result = Run_Converter({dir.file("pic.mq4"), dir.file("pic.png")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Read_Bytes(dir.file("pic.png")), *Encode_PNG_Picture(picture, 1));
}

TEST_F(Converter_Test, FailuresExitWithOneAndTheLoadersMessage) {
    Converter_Result result = Run_Converter({dir.file("missing.png"), dir.file("out.MQ4")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Could not open image file: No such file or directory\n");
    EXPECT_EQ(result.out, "");

    Write_RGB_PNG(dir.file("small.png"), 100, 50, std::vector<DTPixel>(5000, {1, 2, 3}));
    result = Run_Converter({dir.file("small.png"), dir.file("out.MQ4")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Image 100x50 is smaller than 128x96 (5000 of 12288 pixels).\n");

    Write_Text(dir.file("text.png"), "not an image at all");
    result = Run_Converter({dir.file("text.png"), dir.file("out.png")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Image file of unrecognized format.\n");

    Write_Text(dir.file("short.MQ4"), "too short");
    result = Run_Converter({dir.file("short.MQ4"), dir.file("out.png")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err, "");

    result = Run_Converter({input, dir.file("no/folder/out.MQ4")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "Could not save " + dir.file("no/folder/out.MQ4") + ": No such file or directory\n");
    result = Run_Converter({input, dir.file("no/folder/out.png")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "Could not save " + dir.file("no/folder/out.png") + ": No such file or directory\n");
    EXPECT_EQ(List_Dir(dir.path),
              (std::vector<std::string>{"boat.png", "short.MQ4", "small.png", "text.png"}));
}

TEST_F(Converter_Test, UsageErrorsExitWithTwoAndOneLineThatPointsToHelp) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {input},
                                               {"--method", "median", input, dir.file("o.MQ4")},
                                               {"--scale", "17", input, dir.file("o.png")},
                                               {input, dir.file("o.bmp")},
                                               {"--frobnicate", input, dir.file("o.png")}}) {
        const Converter_Result result = Run_Converter(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        const std::vector<std::string> lines = Lines_Of(result.err);
        ASSERT_EQ(lines.size(), 2u) << result.err;
        EXPECT_EQ(lines[0].rfind("zembrix-convert: ", 0), 0u) << result.err;
        EXPECT_EQ(lines[1], "Try 'zembrix-convert --help' for more information.\n");
    }
    EXPECT_EQ(List_Dir(dir.path), std::vector<std::string>{"boat.png"});
}

TEST_F(Converter_Test, HelpAndVersion) {
    Converter_Result result = Run_Converter({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, convert_usage);
    EXPECT_EQ(result.err, "");
    result = Run_Converter({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "zembrix-convert " ZEMBRIX_VERSION "\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(Converter_Test, GridMethodsWriteTheirPictures) {
    Octree_Workspace workspace;
    for (Method method : {Method::refined, Method::refined_dither, Method::perceptual}) {
        const std::string name = Method_Info(method).name;
        SCOPED_TRACE(name);
        const Converter_Result result =
            Run_Converter({"--method", name, input, dir.file(name + ".MQ4")});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
        const std::vector<std::uint8_t> bytes = Read_Bytes(dir.file(name + ".MQ4"));
        EXPECT_EQ(bytes, Mq4_Bytes(Build_Method_Picture(image, method, workspace)));
        // A second run gives the same bytes.
        EXPECT_EQ(Run_Converter({"--method", name, input, dir.file("again.MQ4")}).status, 0);
        EXPECT_EQ(Read_Bytes(dir.file("again.MQ4")), bytes);
    }
}

TEST_F(Converter_Test, CompareShowsTheGainOfTheGridLevels) {
    // Every sample 5 above a level: truncation misses by 5, the nearest level
    // by 3, so the octree and closest pictures have a mean squared error of
    // 25 and the refined one of 9.
    const std::vector<DTPixel> colours{{5, 45, 125}, {205, 13, 93}, {61, 237, 21},  {133, 85, 173},
                                       {13, 13, 13}, {245, 245, 5}, {101, 149, 29}, {181, 61, 221}};
    Write_RGB_PNG(dir.file("eight.png"), 128, 96, Blocks_Of(colours));
    const Converter_Result result = Run_Converter({"--compare", dir.file("eight.png")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = Lines_Of(result.out);
    ASSERT_EQ(lines.size(), 1u + method_count + dither_kind_count - 2) << result.out;
    EXPECT_EQ(lines[0], quality_table_header);
    for (const Method_Row& row : method_table) {
        const std::string& line = lines[1 + Index(row.method)];
        EXPECT_EQ(line.rfind(std::string(row.name) + " ", 0), 0u) << line;
    }
    double delta_e = 0;
    for (const DTPixel& c : colours) {
        delta_e += Ciede2000(Srgb_To_Lab(c.r, c.g, c.b), Srgb_To_Lab(c.r + 3, c.g + 3, c.b + 3));
    }
    // The perceived figure, last, is that of blocks a blur runs across.
    const std::string refined =
        Format_Quality_Row("refined", {8, 10 * std::log10(65025.0 / 9), delta_e / 8});
    EXPECT_EQ(lines[1 + Index(Method::refined)].substr(0, 45), refined.substr(0, 45));
    EXPECT_NE(lines[1 + Index(Method::octree)].find("    34.15 "), std::string::npos) << lines[3];
    EXPECT_NE(lines[1 + Index(Method::closest)].find("    34.15 "), std::string::npos) << lines[4];
    EXPECT_EQ(List_Dir(dir.path), (std::vector<std::string>{"boat.png", "eight.png"}));
}

TEST_F(Converter_Test, CompareOfDisplayableColoursIsExactForTheGridMethods) {
    const std::vector<DTPixel> colours{{0, 0, 0},   {248, 248, 248}, {248, 0, 0},   {0, 248, 0},
                                       {0, 0, 248}, {128, 64, 32},   {96, 96, 104}, {200, 8, 160}};
    Write_RGB_PNG(dir.file("grid.png"), 128, 96, Blocks_Of(colours));
    const Converter_Result result = Run_Converter({"--compare", dir.file("grid.png")});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = Lines_Of(result.out);
    // Every dither kind leaves the colours of its palette as they are.
    ASSERT_EQ(lines.size(), 1u + method_count + dither_kind_count - 2) << result.out;
    EXPECT_EQ(lines[1 + Index(Method::refined)],
              "refined                8       inf      0.000      0.000\n");
    EXPECT_EQ(lines[1 + Index(Method::refined_dither)],
              "refined-dither         8       inf      0.000      0.000\n");
    EXPECT_EQ(lines[1 + Index(Method::perceptual)],
              "perceptual             8       inf      0.000      0.000\n");
    for (std::size_t row = 1 + method_count; row < lines.size(); ++row) {
        EXPECT_EQ(lines[row].substr(0, 8), "refined+");
        EXPECT_EQ(lines[row].substr(22), " 8       inf      0.000      0.000\n") << lines[row];
    }
}

TEST_F(Converter_Test, CompareFailuresAndMisuse) {
    Converter_Result result = Run_Converter({"--compare", dir.file("missing.png")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Could not open image file: No such file or directory\n");
    result = Run_Converter({"--compare", input, dir.file("out.MQ4")});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("--compare takes one INPUT"), std::string::npos);
    EXPECT_EQ(List_Dir(dir.path), std::vector<std::string>{"boat.png"});
}
