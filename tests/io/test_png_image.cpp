#include <gtest/gtest.h>

#include "image/Image_File.h"
#include "io/PNG_Writer.h"
#include "support/Test_Images.h"

TEST(PngImage, EncodedImageReadsBackUnchanged) {
    for (const auto& [width, height] : {std::pair{1, 1}, {3, 5}, {200, 70}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        const DTImage image = Pattern_Image(width, height, 11);
        const auto bytes = Encode_PNG_Image(image);
        ASSERT_TRUE(bytes);
        const std::optional<DTImage> read = CreateImageFromMemory(bytes->data(), bytes->size());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->type, DTImageTypePNG);
        EXPECT_EQ(read->width, width);
        EXPECT_EQ(read->height, height);
        EXPECT_EQ(read->pixels, image.pixels);
    }
}

TEST(PngImage, ImagesWithoutPixelsAreRefused) {
    EXPECT_FALSE(Encode_PNG_Image(DTImage{}));
    DTImage short_of_pixels = Pattern_Image(4, 4, 1);
    short_of_pixels.pixels.pop_back();
    EXPECT_FALSE(Encode_PNG_Image(short_of_pixels));
}
