#include <gtest/gtest.h>

#include "ui/Windows.h"
#include "ui/X_Session.h"

TEST(RootHits, EveryEdgeOfEveryEntry) {
    struct Case {
        int x, y, code;
    };
    const Case cases[] = {
        {63, 233, 1},  {62, 233, 0},  {63, 232, 0},  {576, 276, 1}, {577, 276, 0}, {576, 277, 0},
        {63, 313, 2},  {62, 313, 0},  {63, 312, 0},  {576, 356, 2}, {577, 356, 0}, {576, 357, 0},
        {63, 386, 3},  {62, 386, 0},  {63, 385, 0},  {576, 429, 3}, {577, 429, 0}, {576, 430, 0},
        {300, 390, 3}, {300, 435, 0}, {300, 290, 0}, {300, 100, 0}, {0, 0, 0},     {-1, 250, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Root_Hit_Code(c.x, c.y), c.code) << c.x << "," << c.y;
    }
}

TEST(WindowPlacement, CentredAndClampedToTheScreen) {
    const XPoint start = Window_Position(1920, 1200, 640, 350);
    EXPECT_EQ(start.x, 640);
    EXPECT_EQ(start.y, 250);
    const XPoint editor = Window_Position(1920, 1200, 1000, 400);
    EXPECT_EQ(editor.x, 460);
    EXPECT_EQ(editor.y, 200);
    const XPoint small = Window_Position(800, 600, 1024, 500);
    EXPECT_EQ(small.x, 0);
    EXPECT_EQ(small.y, 0);
}
