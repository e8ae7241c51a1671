#include <gtest/gtest.h>

#include "core/Report.h"
#include "io/Palette_File.h"
#include "support/Temp_Dir.h"

#include <array>
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
        seventeen_hex +=
            "0000" + std::string(1, "0123456789abcdef"[i % 16]) + (i < 16 ? "0\n" : "1\n");
        seventeen.push_back({static_cast<std::uint8_t>(i + 1), 0, 0});
    }
    const auto act = [&](int count) {
        const std::vector<std::uint8_t> bytes = Act_Bytes(seventeen, count);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string not_hex = "line 2 is not a colour (six hexadecimal digits RRGGBB)";
    const std::string too_many = "it holds 17 colours, more than 16";
    const std::vector<std::array<std::string, 3>> cases{
        {"a.gpl", "GIMP Palette\n0 0 0\n12 256 7 too bright\n",
         "line 3 is not a colour (three whole numbers from 0 to 255, then a name)"},
        {"b.pal", "JASC-PAL\n0100\n2\n0 0 0\n256 0 0\n",
         "line 5 is not a colour (three whole numbers from 0 to 255)"},
        {"c.pal", "JASC-PAL\n0100\n3\n0 0 0\n1 1 1\n", "it says 3 colours but holds 2"},
        {"e.hex", "000000\n12345\n", not_hex},
        {"f.hex", "000000\n00GG00\n", not_hex},
        {"g.hex", "\n\n", "it holds no colour"},
        {"h.hex", seventeen_hex, too_many},
        {"i.act", std::string(700, '\0'),
         "an Adobe colour table (.act) is 768 or 772 bytes, not 700"},
        {"j.act", act(17), too_many},
        {"k.act", act(-1), too_many},
        {"l.act", act(0), "its count of colours is 0, not 1 to 256"},
        {"m.hex", std::string((1 << 20) + 7, '\n'), "it is too large for a palette"},
    };
    for (const auto& [name, content, reason] : cases) {
        SCOPED_TRACE(name);
        Write_Text(dir.file(name), content);
        EXPECT_EQ(Refusal(dir.file(name)), reason + ".\n");
    }
}
