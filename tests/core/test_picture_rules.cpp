#include <gtest/gtest.h>

#include "core/Picture_Rules.h"

TEST(Downsample, CutsToMultiplesOfEightAndCapsAt248) {
    EXPECT_EQ(Downsample(-1), 0);
    EXPECT_EQ(Downsample(0), 0);
    EXPECT_EQ(Downsample(7), 0);
    EXPECT_EQ(Downsample(8), 8);
    EXPECT_EQ(Downsample(15), 8);
    EXPECT_EQ(Downsample(247), 240);
    EXPECT_EQ(Downsample(248), 248);
    EXPECT_EQ(Downsample(255), 248);
    EXPECT_EQ(Downsample(300), 248);
    for (int v = 0; v <= 255; ++v) {
        EXPECT_EQ(Downsample(v), v & ~7) << v;
    }
}

TEST(DisplayColor, DownsamplesEachChannel) {
    EXPECT_EQ(Display_Color(255, 255, 255), 0xF8F8F8);
    EXPECT_EQ(Display_Color(0x0C, 0x0A, 0x09), 0x080808);
    EXPECT_EQ(Display_Color(255, 0, 0), 0xF80000);
    EXPECT_EQ(Display_Color(7, 8, 17), 0x000810);
}

TEST(Encode555, PacksTopFiveBitsWithFlag) {
    EXPECT_EQ(Encode_555(0x000000), 0x8000);
    EXPECT_EQ(Encode_555(0xF80000), 0xFC00);
    EXPECT_EQ(Encode_555(0x00F800), 0x83E0);
    EXPECT_EQ(Encode_555(0x0000F8), 0x801F);
    EXPECT_EQ(Encode_555(0x808080), 0xC210);
    EXPECT_EQ(Encode_555(0xFFFFFF), 0xFFFF);
    EXPECT_EQ(Encode_555(0xF8F8F8), 0xFFFF);
    EXPECT_EQ(Encode_555(0x0C0A09 & 0xF8F8F8), 0x8421);
}

TEST(TitleFromPath, CutsBaseNameAtFirstDot) {
    EXPECT_EQ(Title_From_Path("/pics/photo.png"), "photo.MQ4");
    EXPECT_EQ(Title_From_Path("/pics/my.cat.png"), "my.MQ4");
    EXPECT_EQ(Title_From_Path("/art.MQ4"), "art.MQ4");
    EXPECT_EQ(Title_From_Path("/x/y/scene.mq4"), "scene.MQ4");
    EXPECT_EQ(Title_From_Path("photo"), "photo.MQ4");
    EXPECT_EQ(Title_From_Path("/a.b/photo"), "photo.MQ4");
    EXPECT_EQ(Title_From_Path("/x/.hidden"), ".hidden.MQ4");
    EXPECT_EQ(Title_From_Path(".pic.png"), ".pic.png.MQ4");
    EXPECT_EQ(Title_From_Path("/dir/"), ".MQ4");
}

TEST(HasExtension, IgnoresCaseAndNeedsAName) {
    EXPECT_TRUE(Has_Extension("pic.MQ4", ".MQ4"));
    EXPECT_TRUE(Has_Extension("/a/b/pic.mq4", ".MQ4"));
    EXPECT_FALSE(Has_Extension("pic.MQ4.bak", ".MQ4"));
    EXPECT_FALSE(Has_Extension("picMQ4", ".MQ4"));
    EXPECT_FALSE(Has_Extension(".MQ4", ".MQ4"));
}
