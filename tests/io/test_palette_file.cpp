#include <gtest/gtest.h>

#include "core/Report.h"
#include "io/Palette_File.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Sixteen distinct colours on the levels.
Palette_Colors Full_Palette() {
    Palette_Colors palette{};
    for (int i = 0; i < palette_size; ++i) {
        palette[i] = {static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(248 - i * 8),
                      static_cast<std::uint8_t>((i * 56) % 256 & 0xF8)};
    }
    return palette;
}

// The reason a file is refused, or "" when it is read.
std::string Refusal(const std::string& path) {
    Report_Capture capture;
    const bool read = Read_Palette_File(path).has_value();
    EXPECT_EQ(read, capture.text.empty()) << capture.text;
    const std::string prefix = "Cannot use " + path + " as a palette: ";
    if (capture.text.starts_with(prefix)) {
        return capture.text.substr(prefix.size());
    }
    return capture.text;
}

std::vector<std::uint8_t> Act_Bytes(const std::vector<DTPixel>& colours, int trailer_count) {
    std::vector<std::uint8_t> bytes(768, 0);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        bytes[3 * i] = colours[i].r;
        bytes[3 * i + 1] = colours[i].g;
        bytes[3 * i + 2] = colours[i].b;
    }
    if (trailer_count >= 0) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(trailer_count >> 8),
                                   static_cast<std::uint8_t>(trailer_count & 0xFF), 0xFF, 0xFF});
    }
    return bytes;
}

} // namespace

TEST(PaletteFile, EveryKindWrittenReadsBackTheSame) {
    Temp_Dir dir;
    const Palette_Colors palette = Full_Palette();
    for (const std::string name : {"full.gpl", "full.act", "full.pal", "full.hex", "FULL.HEX"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Write_Palette_File(dir.file(name), palette));
        EXPECT_EQ(Read_Palette_File(dir.file(name)), palette);
        EXPECT_TRUE(Is_Palette_File_Name(name));
    }
    EXPECT_EQ(Read_Bytes(dir.file("full.act")).size(), 772u);
    // A PNG of sixteen colours, a few pixels each, and of those colours off the levels.
    std::vector<DTPixel> swatches;
    std::vector<DTPixel> off_levels;
    for (int n = 0; n < 64; ++n) {
        const DTPixel colour = palette[n % palette_size];
        swatches.push_back(colour);
        off_levels.push_back({static_cast<std::uint8_t>(colour.r | 7), colour.g,
                              static_cast<std::uint8_t>(colour.b | 5)});
    }
    Write_RGB_PNG(dir.file("swatches.png"), 8, 8, swatches);
    EXPECT_EQ(Read_Palette_File(dir.file("swatches.png")), palette);
    Write_RGB_PNG(dir.file("off.png"), 8, 8, off_levels);
    EXPECT_EQ(Read_Palette_File(dir.file("off.png")), palette);
    EXPECT_FALSE(Is_Palette_File_Name("full.txt"));
}

TEST(PaletteFile, ColoursOffTheLevelsAreCutToThemInEveryKind) {
    Temp_Dir dir;
    Write_Text(dir.file("off.gpl"), "GIMP Palette\n3 250 129 odd\n255 7 8\n");
    Write_Text(dir.file("off.pal"), "JASC-PAL\n0100\n2\n3 250 129\n255 7 8\n");
    Write_Text(dir.file("off.hex"), "03FA81\n#ff0708\n\n");
    Write_Bytes(dir.file("off.act"), Act_Bytes({{3, 250, 129}, {255, 7, 8}}, 2));
    Write_Bytes(dir.file("padded.act"), Act_Bytes({{3, 250, 129}, {255, 7, 8}}, -1));
    const std::vector<DTPixel> expected{{0, 248, 128}, {248, 0, 8}};
    for (const std::string name : {"off.gpl", "off.pal", "off.hex", "off.act", "padded.act"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Read_Palette_Colors(dir.file(name)), expected);
        Palette_Colors padded{};
        padded[0] = expected[0];
        padded[1] = expected[1];
        EXPECT_EQ(Read_Palette_File(dir.file(name)), padded);
    }
}

TEST(PaletteFile, MalformedAndOverLongFilesAreRefusedWithTheirReason) {
    Temp_Dir dir;
    std::string seventeen_hex;
    std::vector<DTPixel> seventeen;
    for (int i = 0; i < 17; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "0000%02x\n", i * 6);
        seventeen_hex += line;
        seventeen.push_back({static_cast<std::uint8_t>(i + 1), 0, 0});
    }
    const std::pair<std::string, std::string> cases[] = {
        {"GIMP Palette\n0 0 0\n12 256 7 too bright\n",
         "line 3 is not a colour (three whole numbers from 0 to 255, then a name)"},
        {"JASC-PAL\n0100\n2\n0 0 0\n256 0 0\n",
         "line 5 is not a colour (three whole numbers from 0 to 255)"},
        {"JASC-PAL\n0100\n3\n0 0 0\n1 1 1\n", "it says 3 colours but holds 2"},
        {"JASC-PAL\n0101\n1\n0 0 0\n", "it does not begin with \"JASC-PAL\" and \"0100\""},
        {"000000\n12345\n", "line 2 is not a colour (six hexadecimal digits RRGGBB)"},
        {"00GG00\n", "line 1 is not a colour (six hexadecimal digits RRGGBB)"},
        {"\n\n", "it holds no colour"},
        {seventeen_hex, "it holds 17 colours, more than 16"},
    };
    const char* const names[] = {"a.gpl", "b.pal", "c.pal", "d.pal",
                                 "e.hex", "f.hex", "g.hex", "h.hex"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(names[i]);
        Write_Text(dir.file(names[i]), cases[i].first);
        EXPECT_EQ(Refusal(dir.file(names[i])), cases[i].second + ".\n");
    }
    Write_Bytes(dir.file("short.act"), std::vector<std::uint8_t>(700, 0));
    EXPECT_EQ(Refusal(dir.file("short.act")),
              "an Adobe colour table (.act) is 768 or 772 bytes, not 700.\n");
    Write_Bytes(dir.file("many.act"), Act_Bytes(seventeen, 17));
    EXPECT_EQ(Refusal(dir.file("many.act")), "it holds 17 colours, more than 16.\n");
    Write_Bytes(dir.file("padded.act"), Act_Bytes(seventeen, -1));
    EXPECT_EQ(Refusal(dir.file("padded.act")), "it holds 17 colours, more than 16.\n");
    Write_Bytes(dir.file("none.act"), Act_Bytes(seventeen, 0));
    EXPECT_EQ(Refusal(dir.file("none.act")), "its count of colours is 0, not 1 to 256.\n");
    Write_Text(dir.file("notes.txt"), "just some text\n");
    EXPECT_EQ(Refusal(dir.file("notes.txt")),
              "it is not an MQ4 picture, a PNG or a palette file (.gpl, .act, .pal, .hex).\n");
    Write_Text(dir.file("huge.hex"), std::string((1 << 20) + 7, '\n'));
    EXPECT_EQ(Refusal(dir.file("huge.hex")), "it is too large for a palette.\n");
}
