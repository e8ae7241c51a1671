// zembrix-convert from photos: --fit, JPEG input, pipes and palettes, run as
// a process.

#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "convert/Refined_Conversion.h"
#include "image/Image_Input.h"
#include "io/MQ4_File.h"
#include "io/Palette_File.h"
#include "quant/Palette_Dither.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"
#include "support/Test_Formats.h"
#include "support/Test_Images.h"
#include "support/Test_JPEG.h"

#include <fcntl.h>
#include <optional>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Photo_Test : testing::Test {
    Temp_Dir dir;
    std::string photo = dir.file("photo.jpg");
    void SetUp() override {
        Test_JPEG jpeg;
        jpeg.width = 400;
        jpeg.height = 100;
        jpeg.pixels = Quadrants(400, 100);
        Write_Test_JPEG(photo, jpeg);
    }
};

MQ4_Document Read_Picture(const std::string& path) {
    MQ4_Document picture;
    EXPECT_TRUE(Read_MQ4_File(path, &picture)) << path;
    return picture;
}

std::int32_t Colour_At(const MQ4_Document& picture, int x, int y) {
    return Color_Word(picture.palette[picture.pixels[y * 128 + x]]);
}

std::vector<std::uint8_t> Palette_Words(const std::string& mq4) {
    const std::vector<std::uint8_t> bytes = Read_Bytes(mq4);
    return {bytes.begin() + 65, bytes.begin() + 97};
}

// Runs a shell command line; $1 is the converter.
int Run_Shell(const std::string& line, std::string* output = nullptr) {
    return Run_Command({"sh", "-c", line, "sh", Built_Program("zembrix-convert")}, output);
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

constexpr std::int32_t red = 0xF80000, green = 0x00F800, blue = 0x0000F8, white = 0xF8F8F8;

} // namespace

TEST_F(Photo_Test, EachFitPutsTheQuadrantsInPlace) {
    struct Probe {
        int x;
        int y;
        std::int32_t colour;
    };
    const std::pair<std::string, std::vector<Probe>> cases[] = {
        {"crop", {{10, 10, red}, {117, 10, green}, {10, 85, blue}, {117, 85, white}}},
        {"stretch", {{10, 10, red}, {117, 10, green}, {10, 85, blue}, {117, 85, white}}},
        {"pad",
         {{60, 10, 0},
          {60, 85, 0},
          {10, 36, red},
          {117, 36, green},
          {10, 60, blue},
          {117, 60, white}}},
    };
    for (const auto& [mode, probes] : cases) {
        SCOPED_TRACE(mode);
        const std::string output = dir.file(mode + ".MQ4");
        const Converter_Result result =
            Run_Converter({"--fit", mode, "--method", "closest", photo, output});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
        const MQ4_Document picture = Read_Picture(output);
        for (const Probe& probe : probes) {
            EXPECT_EQ(Colour_At(picture, probe.x, probe.y), probe.colour)
                << probe.x << "," << probe.y;
        }
    }
}

TEST_F(Photo_Test, DamagedJpegIsRefusedWithNothingWritten) {
    std::vector<std::uint8_t> bytes = Read_Bytes(photo);
    bytes.resize(bytes.size() / 2);
    Write_Bytes(dir.file("cut.jpg"), bytes);
    Converter_Result result =
        Run_Converter({"--fit", "crop", dir.file("cut.jpg"), dir.file("cut.MQ4")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "Cannot read JPEG " + dir.file("cut.jpg") + ": Premature end of JPEG file.\n");
    Temp_Dir out;
    result = Run_Converter({"--fit", "crop", "-o", out.path, dir.file("cut.jpg"), photo});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "converted 1 of 2\n");
    EXPECT_EQ(result.err, "zembrix-convert: " + dir.file("cut.jpg") + ": Cannot read JPEG " +
                              dir.file("cut.jpg") + ": Premature end of JPEG file.\n");
    EXPECT_EQ(List_Dir(out.path), std::vector<std::string>{"photo.MQ4"});
    EXPECT_EQ(List_Dir(dir.path), (std::vector<std::string>{"cut.jpg", "photo.jpg"}));
}

TEST_F(Photo_Test, PipesCarryImagesInAndPicturesOut) {
    ASSERT_EQ(Run_Converter({"--fit", "crop", photo, dir.file("file.MQ4")}).status, 0);
    ASSERT_EQ(Run_Converter({"--fit", "crop", "--scale", "2", photo, dir.file("file.png")}).status,
              0);
    // cat photo.jpg | zembrix-convert --fit crop - - > piped.MQ4
    EXPECT_EQ(Run_Shell("cat " + Quoted(photo) + " | \"$1\" --fit crop - - > " +
                        Quoted(dir.file("piped.MQ4"))),
              0);
    EXPECT_EQ(Read_Bytes(dir.file("piped.MQ4")), Read_Bytes(dir.file("file.MQ4")));
    std::string png;
    EXPECT_EQ(
        Run_Shell("cat " + Quoted(photo) + " | \"$1\" --fit crop --format png --scale 2 - -", &png),
        0);
    const std::vector<std::uint8_t> file_png = Read_Bytes(dir.file("file.png"));
    EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.end()), file_png);
    // A PNG on standard input too, without --fit.
    const DTImage image = Pattern_Image(128, 96, 8);
    Write_RGB_PNG(dir.file("in.png"), 128, 96, image.pixels);
    ASSERT_EQ(Run_Converter({dir.file("in.png"), dir.file("in.MQ4")}).status, 0);
    std::string mq4;
    EXPECT_EQ(Run_Shell("cat " + Quoted(dir.file("in.png")) + " | \"$1\" - -", &mq4), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(mq4.begin(), mq4.end()), Read_Bytes(dir.file("in.MQ4")));
}

TEST_F(Photo_Test, StandardInputTellsAnMq4PictureByItsFirstBytes) {
    Octree_Workspace workspace;
    MQ4_Document source =
        Build_Candidates(Pattern_Image(128, 96, 9), workspace)[Index(Method::diffusion)];
    ASSERT_TRUE(Write_MQ4_File(dir.file("old.MQ4"), source));
    ASSERT_EQ(Run_Converter({"--scale", "2", dir.file("old.MQ4"), dir.file("named.png")}).status,
              0);
    // Piped and redirected from the file: drawn as it stands, as by name.
    for (const std::string& feed : {"cat " + Quoted(dir.file("old.MQ4")) + " | \"$1\"",
                                    "\"$1\" < " + Quoted(dir.file("old.MQ4"))}) {
        SCOPED_TRACE(feed);
        std::string png;
        EXPECT_EQ(Run_Shell(feed + " --format png --scale 2 - -", &png), 0);
        EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.end()),
                  Read_Bytes(dir.file("named.png")));
    }
    // Mapped onto a given palette as a named one is.
    Write_Text(dir.file("two.gpl"), "GIMP Palette\n0 0 0\n255 255 255\n");
    ASSERT_EQ(Run_Converter(
                  {"--palette", dir.file("two.gpl"), dir.file("old.MQ4"), dir.file("named.MQ4")})
                  .status,
              0);
    std::string mapped;
    EXPECT_EQ(Run_Shell("cat " + Quoted(dir.file("old.MQ4")) + " | \"$1\" --palette " +
                            Quoted(dir.file("two.gpl")) + " - -",
                        &mapped),
              0);
    EXPECT_EQ(std::vector<std::uint8_t>(mapped.begin(), mapped.end()),
              Read_Bytes(dir.file("named.MQ4")));
    // Cut short, it is refused as a short file is.
    std::string err;
    EXPECT_EQ(
        Run_Shell("head -c 100 " + Quoted(dir.file("old.MQ4")) + " | \"$1\" - - 2>&1 >/dev/null",
                  &err),
        1);
    EXPECT_EQ(err, "standard input is too short to be an MQ4 picture (100 of 6657 bytes)\n");
}

TEST_F(Photo_Test, PicturesAreNotWrittenToATerminal) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    Temp_Dir outputs;
    const std::string err_path = outputs.file("err.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, photo.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, terminal.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string program = Built_Program("zembrix-convert");
    std::vector<std::string> args{program, "--fit", "crop", "-", "-"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(Read_Text(err_path),
              "zembrix-convert: will not write a picture to a terminal; redirect standard output "
              "or name an OUTPUT file\n");
}

TEST_F(Photo_Test, GivenPaletteFromEachKindOfFile) {
    // Nine colours off the hardware's levels: they are cut down to them and
    // the rest of the palette is black.
    std::vector<DTPixel> colours;
    for (int i = 0; i < 9; ++i) {
        colours.push_back({static_cast<std::uint8_t>(i * 29 + 3),
                           static_cast<std::uint8_t>(250 - i * 17),
                           static_cast<std::uint8_t>(i * 7 + 1)});
    }
    std::string gpl = "GIMP Palette\nName: test\nColumns: 3\n# made by hand\n\n";
    for (const DTPixel& c : colours) {
        gpl += std::to_string(c.r) + " " + std::to_string(c.g) + "\t" + std::to_string(c.b) +
               "\tcolour\n";
    }
    Write_Text(dir.file("colours.gpl"), gpl);
    std::vector<DTPixel> swatches;
    for (int n = 0; n < 30 * 20; ++n) {
        swatches.push_back(colours[n % 9]);
    }
    Write_RGB_PNG(dir.file("swatches.png"), 30, 20, swatches);
    Palette_Colors expected{};
    for (int i = 0; i < 9; ++i) {
        expected[i] = {static_cast<std::uint8_t>(colours[i].r & 0xF8),
                       static_cast<std::uint8_t>(colours[i].g & 0xF8),
                       static_cast<std::uint8_t>(colours[i].b & 0xF8)};
    }
    MQ4_Document source;
    for (int i = 0; i < 16; ++i) {
        source.palette[i] =
            Split_Color(((i * 16 + 8) << 16 | (255 - i * 16) << 8 | (i * 3 & 0xF8)) & 0xF8F8F8);
    }
    ASSERT_TRUE(Write_MQ4_File(dir.file("series.MQ4"), source));

    const std::pair<std::string, Palette_Colors> files[] = {
        {dir.file("colours.gpl"), expected},
        {dir.file("swatches.png"), expected},
        {dir.file("series.MQ4"), source.palette},
    };
    for (const auto& [file, palette] : files) {
        for (const std::string method : {"closest", "floyd-steinberg", "refined-dither"}) {
            SCOPED_TRACE(file + " " + method);
            const std::string output = dir.file("mapped.MQ4");
            const Converter_Result result =
                Run_Converter({"--fit", "pad", "--method", method, "--palette", file,
                               "--write-palette", dir.file("used.gpl"), photo, output});
            ASSERT_EQ(result.status, 0) << result.err;
            EXPECT_EQ(result.out + result.err, "");
            EXPECT_EQ(Read_Picture(output).palette, palette);
            EXPECT_EQ(Read_Text(dir.file("used.gpl")), GIMP_Palette_Text(palette, "used"));
        }
    }
}

TEST_F(Photo_Test, BadPaletteFilesAreRefusedBeforeAnythingIsWritten) {
    std::string seventeen = "GIMP Palette\n";
    for (int i = 0; i < 17; ++i) {
        seventeen += std::to_string(i * 15) + " 0 0\n";
    }
    Write_Text(dir.file("seventeen.gpl"), seventeen);
    Write_Text(dir.file("bad-line.gpl"), "GIMP Palette\n0 0 0 black\n12 300 7 too bright\n");
    Write_Text(dir.file("notes.txt"), "just some text\n");
    Write_RGB_PNG(dir.file("photo.png"), 128, 96, Pattern_Image(128, 96, 1).pixels);
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("seventeen.gpl"), "it holds 17 colours, more than 16"},
        {dir.file("bad-line.gpl"),
         "line 3 is not a colour (three whole numbers from 0 to 255, then a name)"},
        {dir.file("notes.txt"),
         "it is not an MQ4 picture, a PNG or a palette file (.gpl, .act, .pal, .hex)"},
        {dir.file("photo.png"), "the PNG has more than 16 colours"},
        {dir.file("missing.gpl"), "No such file or directory"},
    };
    const std::vector<std::string> before = List_Dir(dir.path);
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file);
        Converter_Result result = Run_Converter({"--palette", file, "--write-palette",
                                                 dir.file("out.gpl"), photo, dir.file("out.MQ4")});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "Cannot use " + file + " as a palette: " + reason + ".\n");
        Temp_Dir out;
        result = Run_Converter({"--palette", file, "-o", out.path, photo});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(List_Dir(out.path).empty());
    }
    EXPECT_EQ(List_Dir(dir.path), before);
}

TEST_F(Photo_Test, SharedPaletteGivesTheWholeSeriesOnePalette) {
    Temp_Dir out;
    Write_RGB_PNG(dir.file("sea.png"), 300, 200, Pattern_Image(300, 200, 4).pixels);
    Write_Bytes(dir.file("sky.ppm"), PPM_Bytes(64, 48, Pattern_Image(64, 48, 6).pixels));
    Write_Text(dir.file("notes.png"), "not an image");
    const Converter_Result result =
        Run_Converter({"--fit", "crop", "--shared-palette", "--method", "refined-dither",
                       "--write-palette", dir.file("series.gpl"), "-o", out.path, photo,
                       dir.file("sea.png"), dir.file("notes.png"), dir.file("sky.ppm")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "converted 3 of 4\n");
    EXPECT_EQ(result.err, "zembrix-convert: " + dir.file("notes.png") +
                              ": Image file of unrecognized format.\n");
    ASSERT_EQ(List_Dir(out.path), (std::vector<std::string>{"photo.MQ4", "sea.MQ4", "sky.MQ4"}));
    const std::vector<std::uint8_t> words = Palette_Words(out.file("photo.MQ4"));
    EXPECT_EQ(Palette_Words(out.file("sea.MQ4")), words);
    EXPECT_EQ(Palette_Words(out.file("sky.MQ4")), words);
    const MQ4_Document picture = Read_Picture(out.file("sea.MQ4"));
    EXPECT_EQ(Read_Text(dir.file("series.gpl")), GIMP_Palette_Text(picture.palette, "series"));
    // The series' colours come from all of it: the photo's pure quadrant
    // colours and the patterns' many more fill the palette.
    std::set<std::int32_t> colour_words;
    for (const DTPixel colour : picture.palette) {
        colour_words.insert(Color_Word(colour));
    }
    EXPECT_EQ(colour_words.size(), 16u);
}

TEST_F(Photo_Test, FurtherFormatsShareABatchsPalette) {
    const std::vector<DTPixel> quadrants = Quadrants(400, 100);
    Write_Test_TIFF(dir.file("scan.tif"), TIFF_Of(400, 100, quadrants));
    Write_Test_GIF(dir.file("anim.gif"), GIF_Of(400, 100, quadrants));
    Write_Bytes(dir.file("web.webp"), Encode_Test_WebP(400, 100, quadrants, true, false));
    Temp_Dir out;
    const Converter_Result batch =
        Run_Converter({"--fit", "crop", "--method", "closest", "--shared-palette", "-o", out.path,
                       dir.file("scan.tif"), dir.file("anim.gif"), dir.file("web.webp")});
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out, "converted 3 of 3\n");
    for (const char* name : {"scan.MQ4", "anim.MQ4", "web.MQ4"}) {
        const MQ4_Document picture = Read_Picture(out.file(name));
        EXPECT_EQ(Colour_At(picture, 10, 10), red) << name;
        EXPECT_EQ(Colour_At(picture, 117, 85), white) << name;
        EXPECT_EQ(Palette_Words(out.file(name)), Palette_Words(out.file("scan.MQ4"))) << name;
    }
}

// libheif and libtiff (with the codecs and C++ start-up they bring) are
// loaded only when such a file is met, so that every other run starts fast.
TEST(Converter_Start, DoesNotLoadHeifOrTiffLibrariesBeforeItNeedsThem) {
    Temp_Dir out;
    Program_Run run = Start_Program(Built_Program("zembrix-convert"), {"--version"},
                                    {"LD_TRACE_LOADED_OBJECTS=1"}, out.path);
    ASSERT_TRUE(Wait_For_Exit(&run, 10000));
    const std::string loaded = Stdout_Of(run);
    ASSERT_NE(loaded.find("libc.so"), std::string::npos) << loaded;
    for (const char* library : {"libheif", "libtiff", "libx265"}) {
        EXPECT_EQ(loaded.find(library), std::string::npos) << library << " in\n" << loaded;
    }
}

TEST_F(Photo_Test, JpegWithoutFitTakesItsFirstPixelsAsOtherImagesDo) {
    Octree_Workspace workspace;
    Test_JPEG jpeg;
    jpeg.width = 128;
    jpeg.height = 96;
    jpeg.pixels = Pattern_Image(128, 96, 12).pixels;
    Write_Test_JPEG(dir.file("small.jpg"), jpeg);
    const std::optional<DTImage> decoded = Load_Input_Image(dir.file("small.jpg"), Fit_Mode::none);
    ASSERT_TRUE(decoded);
    const Converter_Result result =
        Run_Converter({"--method", "octree", dir.file("small.jpg"), dir.file("small.MQ4")});
    EXPECT_EQ(result.status, 0) << result.err;
    const MQ4_Bytes expected =
        Encode_MQ4(Build_Method_Picture(*decoded, Method::octree, workspace));
    EXPECT_EQ(Read_Bytes(dir.file("small.MQ4")),
              std::vector<std::uint8_t>(expected.begin(), expected.end()));
}

TEST_F(Photo_Test, DitherKindsAndKeptColoursAreTheLibrarysPictures) {
    Octree_Workspace workspace;
    const std::string sea = dir.file("sea.png");
    Write_RGB_PNG(sea, 128, 96, Pattern_Image(128, 96, 11).pixels);
    const std::optional<DTImage> loaded = Load_Input_Image(sea, Fit_Mode::none);
    ASSERT_TRUE(loaded);
    struct Case {
        std::vector<std::string> options;
        Refined_Options expected;
    };
    const Case cases[] = {
        {{"--method", "refined", "--dither", "bayer8"}, {{Dither_Kind::bayer8}, {}}},
        {{"--method", "refined", "--dither", "jarvis", "--dither-strength", "60", "--serpentine"},
         {{Dither_Kind::jarvis, 60, true}, {}}},
        {{"--method", "refined-dither", "--keep-colour", "000000", "--keep-colour", "F8F8F8"},
         {{Dither_Kind::floyd_steinberg}, {{0, 0, 0}, {248, 248, 248}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options[3]);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {sea, dir.file("out.MQ4")});
        const Converter_Result result = Run_Converter(args);
        ASSERT_EQ(result.status, 0) << result.err;
        const MQ4_Document picture = Read_Picture(dir.file("out.MQ4"));
        const MQ4_Document expected = Convert_Refined(*loaded, c.expected, workspace);
        EXPECT_EQ(picture.pixels, expected.pixels);
        EXPECT_EQ(picture.palette, expected.palette);
    }
    // The kept colours lead the palette.
    EXPECT_EQ(Read_Picture(dir.file("out.MQ4")).palette[0], (DTPixel{0, 0, 0}));
    EXPECT_EQ(Read_Picture(dir.file("out.MQ4")).palette[1], (DTPixel{248, 248, 248}));
}

TEST_F(Photo_Test, ShortPalettesFilledAndWrittenInEveryFormat) {
    Temp_Dir out;
    Write_Text(dir.file("three.hex"), "000000\nF8F8F8\nC81818\n");
    Write_RGB_PNG(dir.file("sea.png"), 128, 96, Pattern_Image(128, 96, 4).pixels);
    // A batch shares one palette: the file's three colours first, the rest
    // fitted to all the inputs.
    Converter_Result result =
        Run_Converter({"--fit", "crop", "--palette", dir.file("three.hex"), "--fill", "--method",
                       "refined", "--dither", "blue-noise", "--write-palette", dir.file("used.act"),
                       "-o", out.path, photo, dir.file("sea.png")});
    ASSERT_EQ(result.status, 0) << result.err;
    const MQ4_Document sea = Read_Picture(out.file("sea.MQ4"));
    EXPECT_EQ(Read_Picture(out.file("photo.MQ4")).palette, sea.palette);
    EXPECT_EQ(sea.palette[0], (DTPixel{0, 0, 0}));
    EXPECT_EQ(sea.palette[1], (DTPixel{248, 248, 248}));
    EXPECT_EQ(sea.palette[2], (DTPixel{200, 24, 24}));
    std::set<std::int32_t> colour_words;
    for (const DTPixel colour : sea.palette) {
        colour_words.insert(Color_Word(colour));
    }
    EXPECT_EQ(colour_words.size(), 16u) << "the empty entries are fitted, not black";
    EXPECT_EQ(Read_Bytes(dir.file("used.act")), Palette_File_Bytes("used.act", sea.palette));
    // Without --fill the rest is black.
    result =
        Run_Converter({"--palette", dir.file("three.hex"), "--method", "refined", "--write-palette",
                       dir.file("used.pal"), dir.file("sea.png"), dir.file("one.MQ4")});
    ASSERT_EQ(result.status, 0) << result.err;
    const MQ4_Document one = Read_Picture(dir.file("one.MQ4"));
    EXPECT_EQ(one.palette[15], (DTPixel{0, 0, 0}));
    EXPECT_EQ(Read_Bytes(dir.file("used.pal")), Palette_File_Bytes("used.pal", one.palette));
}

TEST_F(Photo_Test, SheetShowsEveryComparedPicture) {
    const std::string sea = dir.file("sea.png");
    Write_RGB_PNG(sea, 128, 96, Pattern_Image(128, 96, 3).pixels);
    Converter_Result result = Run_Converter({"--sheet", dir.file("sheet.png"), sea});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    const std::optional<DTImage> sheet = Load_Input_Image(dir.file("sheet.png"), Fit_Mode::none);
    ASSERT_TRUE(sheet);
    // Thirteen pictures at twice their size, four a row.
    EXPECT_GT(sheet->width, 4 * 256);
    EXPECT_GT(sheet->height, 4 * 192);
    result = Run_Converter({"--compare", "--sheet", dir.file("both.png"), sea});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, 6), "method");
    EXPECT_EQ(Read_Bytes(dir.file("both.png")), Read_Bytes(dir.file("sheet.png")));
}
