#include <gtest/gtest.h>

#include "image/Image_File.h"
#include "io/PNG_Writer.h"
#include "support/Temp_Dir.h"

namespace {

MQ4_Document Sample_Picture() {
    MQ4_Document picture;
    for (int i = 0; i < palette_size; ++i) {
        picture.palette[i] =
            Split_Color((i * 16) << 16 | (248 - i * 8) << 8 | (i * 40 % 256 & 0xF8));
    }
    for (int n = 0; n < picture_pixels; ++n) {
        picture.pixels[n] = static_cast<std::uint8_t>((n / 128 + n % 128 / 3) % 16);
    }
    return picture;
}

DTPixel Display_Pixel(const MQ4_Document& picture, int x, int y) {
    const std::int32_t c = Color_Word(picture.palette[picture.pixels[y * 128 + x]]);
    return {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
            static_cast<std::uint8_t>(c)};
}

} // namespace

TEST(PngWriter, WritesDisplayColoursEnlarged) {
    const MQ4_Document picture = Sample_Picture();
    for (int scale : {1, 3, 16}) {
        SCOPED_TRACE(scale);
        const auto bytes = Encode_PNG_Picture(picture, scale);
        ASSERT_TRUE(bytes);
        const std::optional<DTImage> image = CreateImageFromMemory(bytes->data(), bytes->size());
        ASSERT_TRUE(image);
        ASSERT_EQ(image->width, 128 * scale);
        ASSERT_EQ(image->height, 96 * scale);
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                ASSERT_EQ(image->pixels[static_cast<std::size_t>(y) * image->width + x],
                          Display_Pixel(picture, x / scale, y / scale))
                    << x << "," << y;
            }
        }
    }
    EXPECT_FALSE(Encode_PNG_Picture(picture, 0));
    EXPECT_FALSE(Encode_PNG_Picture(picture, 17));
}

TEST(PngWriter, WritesTheFileOrSaysWhyNot) {
    Temp_Dir dir;
    const MQ4_Document picture = Sample_Picture();
    ASSERT_TRUE(Write_PNG_Picture(dir.file("out.png"), picture, 2));
    EXPECT_EQ(Read_Bytes(dir.file("out.png")), *Encode_PNG_Picture(picture, 2));
    EXPECT_EQ(List_Dir(dir.path), std::vector<std::string>{"out.png"});

    testing::internal::CaptureStderr();
    EXPECT_FALSE(Write_PNG_Picture(dir.file("no/such/folder.png"), picture, 1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not save " + dir.file("no/such/folder.png") + ": No such file or directory\n");
}
