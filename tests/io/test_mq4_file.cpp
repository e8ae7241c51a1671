#include <gtest/gtest.h>

#include "core/Picture_Rules.h"
#include "io/MQ4_File.h"
#include "support/Temp_Dir.h"

namespace {

MQ4_Document Patterned_Picture() {
    MQ4_Document doc;
    for (int i = 0; i < palette_size; ++i) {
        doc.palette[i] = Split_Color(Display_Color(i * 16, 255 - i * 16, (i * 37) & 0xFF));
    }
    for (int n = 0; n < picture_pixels; ++n) {
        doc.pixels[n] = static_cast<std::uint8_t>((n * 7 + n / 128) % 16);
    }
    return doc;
}

} // namespace

TEST(MQ4Layout, HeaderPaddingAndSize) {
    const MQ4_Bytes bytes = Encode_MQ4(Patterned_Picture());
    const std::uint8_t start[] = {0x12, 0xFF, 0x90, 0, 0, 0, 0, 0, 0, 0x01};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(bytes[i], start[i]) << i;
    }
    for (int i = 10; i < 65; ++i) {
        EXPECT_EQ(bytes[i], 0) << i;
    }
    for (int i = 97; i < 513; ++i) {
        EXPECT_EQ(bytes[i], 0) << i;
    }
    EXPECT_EQ(bytes.size(), 6657u);
}

TEST(MQ4Layout, PaletteWordsBigEndianFromDisplayColours) {
    MQ4_Document doc;
    doc.palette[0] = Split_Color(0xF8F8F8);
    doc.palette[1] = Split_Color(0xF80000);
    doc.palette[2] = Split_Color(0x00F800);
    doc.palette[3] = Split_Color(0x0000F8);
    const MQ4_Bytes bytes = Encode_MQ4(doc);
    const std::uint8_t expected[] = {0xFF, 0xFF, 0xFC, 0x00, 0x83, 0xE0, 0x80, 0x1F, 0x80, 0x00};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(bytes[65 + i], expected[i]) << i;
    }
}

TEST(MQ4Layout, PixelsTwoToAByteLeftInHighNibble) {
    MQ4_Document doc;
    doc.pixels[0] = 3;
    doc.pixels[1] = 12;
    doc.pixels[128] = 9;
    doc.pixels[12287] = 15;
    const MQ4_Bytes bytes = Encode_MQ4(doc);
    EXPECT_EQ(bytes[513], 0x3C);
    EXPECT_EQ(bytes[577], 0x90);
    EXPECT_EQ(bytes[6656], 0x0F);
}

TEST(MQ4Decode, ExpandsWordsWithoutFillingLowBits) {
    EXPECT_EQ(Decode_555(0xFFFF), 0xF8F8F8);
    EXPECT_EQ(Decode_555(0x0001), 0x000008);
    EXPECT_EQ(Decode_555(0x7FFF), Decode_555(0xFFFF));
    // Every displayable colour survives the trip through a word.
    for (int r = 0; r < 32; ++r) {
        for (int g = 0; g < 32; ++g) {
            for (int b = 0; b < 32; ++b) {
                const std::int32_t color = (r << 19) | (g << 11) | (b << 3);
                ASSERT_EQ(Decode_555(Encode_555(color)), color);
            }
        }
    }
}

TEST(MQ4Decode, KeepsWordsAsStored) {
    MQ4_Bytes bytes{};
    bytes[65] = 0xFF;
    bytes[66] = 0xFF;
    bytes[67] = 0x00;
    bytes[68] = 0x01;
    bytes[513] = 0x3C;
    MQ4_Document doc;
    Decode_MQ4(bytes, &doc);
    EXPECT_EQ(Color_Word(doc.palette[0]), 0xF8F8F8);
    EXPECT_EQ(Color_Word(doc.palette[1]), 0x000008);
    EXPECT_EQ(doc.pixels[0], 3);
    EXPECT_EQ(doc.pixels[1], 12);
}

TEST(MQ4File, SaveAndReopenGivesTheSamePicture) {
    Temp_Dir dir;
    const MQ4_Document doc = Patterned_Picture();
    const std::string path = dir.file("scene.mq4");
    ASSERT_TRUE(Write_MQ4_File(path, doc));
    EXPECT_EQ(Read_Bytes(path).size(), 6657u);

    MQ4_Document read;
    ASSERT_TRUE(Read_MQ4_File(path, &read));
    EXPECT_EQ(read.pixels, doc.pixels);
    EXPECT_EQ(read.palette, doc.palette);
    EXPECT_EQ(read.document_name, path);
    EXPECT_EQ(read.file_title, "scene.MQ4");
}

TEST(MQ4File, LongerFilesAndOddHeadersReadLikeAnyOther) {
    Temp_Dir dir;
    const MQ4_Bytes bytes = Encode_MQ4(Patterned_Picture());
    // Made at its full length: growing a copy with resize() draws a false
    // -Warray-bounds from GCC 12 at -O3.
    std::vector<std::uint8_t> longer(7000, 0xAB);
    std::copy(bytes.begin(), bytes.end(), longer.begin());
    longer[0] = 0x00;
    longer[200] = 0x77;
    Write_Bytes(dir.file("scene"), longer);
    MQ4_Document read;
    ASSERT_TRUE(Read_MQ4_File(dir.file("scene"), &read));
    EXPECT_EQ(read.pixels, Patterned_Picture().pixels);
    EXPECT_EQ(read.file_title, "scene.MQ4");
}

TEST(MQ4File, ShortMissingAndFolderPathsAreRefused) {
    Temp_Dir dir;
    MQ4_Document doc = Patterned_Picture();
    const MQ4_Document before = doc;

    Write_Bytes(dir.file("short.MQ4"), std::vector<std::uint8_t>(6656, 0));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Read_MQ4_File(dir.file("short.MQ4"), &doc));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              dir.file("short.MQ4") + " is too short to be an MQ4 picture (6656 of 6657 bytes)\n");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(Read_MQ4_File(dir.file("missing.MQ4"), &doc));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open MQ4 file: No such file or directory\n");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(Read_MQ4_File(dir.path, &doc));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not open MQ4 file: Is a directory\n");

    EXPECT_EQ(doc.pixels, before.pixels);
    EXPECT_FALSE(doc.document_name.has_value());
}
