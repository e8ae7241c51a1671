#include <gtest/gtest.h>

#include "ui/Data.h"

namespace {

bool Is_Ink(const Icon_Bitmap& icon, int row, int column) {
    return ((icon[row * icon_row_bytes + column / 8] >> (7 - column % 8)) & 1) == 0;
}

int Ink_Count(const Icon_Bitmap& icon) {
    int count = 0;
    for (int row = 0; row < icon_size; ++row) {
        for (int column = 0; column < icon_size; ++column) {
            count += Is_Ink(icon, row, column);
        }
    }
    return count;
}

TEST(Icons, EdgesAreBackgroundAndPaddingIsZero) {
    for (const Icon_Bitmap* icon : {&eyedrop, &pencil}) {
        ASSERT_EQ(icon->size(), 350u);
        for (int row = 0; row < icon_size; ++row) {
            EXPECT_EQ((*icon)[row * icon_row_bytes + 6] & 0x3F, 0) << row;
            EXPECT_FALSE(Is_Ink(*icon, row, 0)) << row;
        }
        for (int column = 0; column < icon_size; ++column) {
            EXPECT_FALSE(Is_Ink(*icon, 0, column)) << column;
            EXPECT_FALSE(Is_Ink(*icon, icon_size - 1, column)) << column;
        }
    }
}

// Both tools lie on the diagonal: ink at the lower left and the upper right,
// none in the other two corners.
TEST(Icons, ToolsLieOnTheRisingDiagonal) {
    for (const Icon_Bitmap* icon : {&eyedrop, &pencil}) {
        int quadrant[2][2] = {};
        for (int row = 0; row < icon_size; ++row) {
            for (int column = 0; column < icon_size; ++column) {
                quadrant[row / 25][column / 25] += Is_Ink(*icon, row, column);
            }
        }
        EXPECT_GT(quadrant[1][0], 30);
        EXPECT_GT(quadrant[0][1], 30);
        EXPECT_LT(quadrant[0][0], 10);
        EXPECT_LT(quadrant[1][1], 10);
    }
    EXPECT_NE(eyedrop, pencil);
}

// The eyedropper's bulb is solid, so it has more ink than the pencil's
// outlined body near the upper right.
TEST(Icons, EyedropperBulbIsSolid) {
    int bulb = 0;
    for (int row = 4; row < 12; ++row) {
        for (int column = 36; column < 46; ++column) {
            bulb += Is_Ink(eyedrop, row, column);
        }
    }
    EXPECT_EQ(bulb, 80);
    EXPECT_GT(Ink_Count(eyedrop), Ink_Count(pencil));
}

} // namespace
