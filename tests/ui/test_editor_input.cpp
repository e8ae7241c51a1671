#include <gtest/gtest.h>

#include "ui/Editor_Input.h"

namespace {

Editor_Area Area(int x, int y) {
    return Hit_Test(x, y).area;
}

TEST(EditorHitTest, PictureCellsAndTheirEdges) {
    EXPECT_EQ(Hit_Test(0, 0).area, Editor_Area::picture);
    EXPECT_EQ(Hit_Test(0, 0).index, 0);
    EXPECT_EQ(Hit_Test(6, 6).index, 0);
    EXPECT_EQ(Hit_Test(7, 0).index, 1);
    EXPECT_EQ(Hit_Test(0, 7).index, 128);
    EXPECT_EQ(Hit_Test(895, 671).index, 12287);
    EXPECT_EQ(Hit_Test(20, 30).index, 2 + 4 * 128);
    EXPECT_EQ(Area(896, 0), Editor_Area::none);
    EXPECT_EQ(Area(0, 672), Editor_Area::none);
    EXPECT_EQ(Area(-1, 5), Editor_Area::none);
    EXPECT_EQ(Area(5, -1), Editor_Area::none);
    for (int x = 896; x <= 918; ++x) {
        EXPECT_EQ(Area(x, 20), Editor_Area::none) << x;
    }
}

TEST(EditorHitTest, SwatchesIncludeBothBoundsAndNotTheGaps) {
    for (int i = 0; i < 16; ++i) {
        const int top = 10 + 25 * i;
        for (const int x : {919, 950, 979}) {
            EXPECT_EQ(Hit_Test(x, top).area, Editor_Area::swatch);
            EXPECT_EQ(Hit_Test(x, top).index, i);
            EXPECT_EQ(Hit_Test(x, top + 20).index, i);
        }
        EXPECT_EQ(Area(918, top + 5), Editor_Area::none);
        EXPECT_EQ(Area(980, top + 5), Editor_Area::none);
        EXPECT_EQ(Area(950, top - 1), Editor_Area::none);
        EXPECT_EQ(Area(950, top + 21), Editor_Area::none);
    }
    EXPECT_EQ(Area(950, 9), Editor_Area::none);
    EXPECT_EQ(Area(950, 406), Editor_Area::none);
}

TEST(EditorHitTest, ToolIconsAndButtons) {
    struct Case {
        Editor_Area area;
        int left, right, top, bottom;
    };
    for (const Case c : {Case{Editor_Area::eyedropper, 919, 979, 440, 490},
                         Case{Editor_Area::pencil, 919, 979, 525, 575},
                         Case{Editor_Area::save, 919, 981, 605, 627},
                         Case{Editor_Area::exit, 919, 981, 636, 658}}) {
        const int mid_x = (c.left + c.right) / 2;
        const int mid_y = (c.top + c.bottom) / 2;
        EXPECT_EQ(Area(c.left, mid_y), c.area);
        EXPECT_EQ(Area(c.right, mid_y), c.area);
        EXPECT_EQ(Area(mid_x, c.top), c.area);
        EXPECT_EQ(Area(mid_x, c.bottom), c.area);
        EXPECT_EQ(Area(c.left - 1, mid_y), Editor_Area::none);
        EXPECT_EQ(Area(c.right + 1, mid_y), Editor_Area::none);
        EXPECT_EQ(Area(mid_x, c.top - 1), Editor_Area::none);
        EXPECT_EQ(Area(mid_x, c.bottom + 1), Editor_Area::none);
    }
}

MQ4_Document Striped_Picture() {
    MQ4_Document document;
    for (int i = 0; i < picture_pixels; ++i) {
        document.pixels[i] = static_cast<std::uint8_t>((i / 128) % 16);
    }
    return document;
}

TEST(EditorPress, SwatchSelectsColourAndRemembersThePreviousOne) {
    MQ4_Document document = Striped_Picture();
    const MQ4_Document before = document;
    Editor_State state;
    Editor_Response response = Press_At(&document, &state, 930, 10 + 25 * 5);
    EXPECT_TRUE(response.redraw);
    EXPECT_EQ(state.current_color, 5);
    EXPECT_EQ(state.previous_color, 0);
    Press_At(&document, &state, 930, 10 + 25 * 9);
    EXPECT_EQ(state.current_color, 9);
    EXPECT_EQ(state.previous_color, 5);
    Press_At(&document, &state, 930, 10 + 25 * 9);
    EXPECT_EQ(state.current_color, 9);
    EXPECT_EQ(state.previous_color, 9);
    EXPECT_EQ(document.pixels, before.pixels);
}

TEST(EditorPress, ToolIconsSwitchToolAndAskForTheCursor) {
    MQ4_Document document;
    Editor_State state;
    Editor_Response response = Press_At(&document, &state, 950, 550);
    EXPECT_TRUE(response.cursor);
    EXPECT_TRUE(response.redraw);
    EXPECT_EQ(state.current_tool, tool_pencil);
    EXPECT_EQ(state.previous_tool, tool_eyedropper);
    response = Press_At(&document, &state, 950, 550);
    EXPECT_TRUE(response.cursor && response.redraw);
    EXPECT_EQ(state.current_tool, tool_pencil);
    EXPECT_EQ(state.previous_tool, tool_pencil);
    Press_At(&document, &state, 950, 460);
    EXPECT_EQ(state.current_tool, tool_eyedropper);
    EXPECT_EQ(state.previous_tool, tool_pencil);
}

TEST(EditorPress, EyedropperPicksTheCellIndexAndAlwaysRedraws) {
    MQ4_Document document = Striped_Picture();
    const MQ4_Document before = document;
    Editor_State state;
    Editor_Response response = Press_At(&document, &state, 100, 7 * 12 + 3); // row 12
    EXPECT_TRUE(response.redraw);
    EXPECT_EQ(state.current_color, 12);
    EXPECT_EQ(state.previous_color, 0);
    response = Press_At(&document, &state, 300, 7 * 12);
    EXPECT_TRUE(response.redraw);
    EXPECT_EQ(state.current_color, 12);
    EXPECT_EQ(state.previous_color, 12);
    EXPECT_EQ(document.pixels, before.pixels);
    // Dragging with the eyedropper does nothing.
    EXPECT_FALSE(Drag_At(&document, &state, 5, 5).redraw);
    EXPECT_EQ(state.current_color, 12);
}

TEST(EditorPress, PencilPaintsOneCellAndAlwaysRedrawsOnPress) {
    MQ4_Document document = Striped_Picture();
    Editor_State state{7, 0, tool_pencil, tool_eyedropper};
    MQ4_Document expected = document;
    expected.pixels[3 + 2 * 128] = 7;
    EXPECT_TRUE(Press_At(&document, &state, 3 * 7 + 6, 2 * 7).redraw);
    EXPECT_EQ(document.pixels, expected.pixels);
    // A press on a cell that already holds the colour still redraws.
    EXPECT_TRUE(Press_At(&document, &state, 3 * 7, 2 * 7 + 6).redraw);
    EXPECT_EQ(document.pixels, expected.pixels);
    EXPECT_EQ(state.current_color, 7);
}

TEST(EditorDrag, PencilRedrawsOnlyWhenACellChanges) {
    MQ4_Document document = Striped_Picture();
    Editor_State state{3, 0, tool_pencil, tool_eyedropper};
    EXPECT_FALSE(Drag_At(&document, &state, 100, 7 * 3).redraw); // row 3 holds 3
    EXPECT_TRUE(Drag_At(&document, &state, 100, 7 * 4).redraw);
    EXPECT_EQ(document.pixels[100 / 7 + 4 * 128], 3);
    EXPECT_FALSE(Drag_At(&document, &state, 101, 7 * 4 + 1).redraw);
}

TEST(EditorDrag, OutsideThePictureNothingIsWritten) {
    MQ4_Document document = Striped_Picture();
    const MQ4_Document before = document;
    Editor_State state{15, 0, tool_pencil, tool_eyedropper};
    for (const auto& [x, y] : {std::pair{-1, 10},
                               {-7, -7},
                               {10, -1},
                               {896, 10},
                               {10, 672},
                               {2000, 2000},
                               {-100000, 300},
                               {950, 20},
                               {950, 460}}) {
        EXPECT_FALSE(Drag_At(&document, &state, x, y).redraw) << x << ", " << y;
    }
    EXPECT_EQ(document.pixels, before.pixels);
    EXPECT_EQ(state.current_color, 15);
}

TEST(EditorPress, SaveExitAndEmptyPlacesChangeNothing) {
    MQ4_Document document = Striped_Picture();
    const MQ4_Document before = document;
    const Editor_State initial{4, 2, tool_pencil, tool_eyedropper};
    Editor_State state = initial;
    Editor_Response response = Press_At(&document, &state, 930, 610);
    EXPECT_TRUE(response.save);
    EXPECT_FALSE(response.redraw || response.leave || response.cursor);
    response = Press_At(&document, &state, 930, 640);
    EXPECT_TRUE(response.leave);
    EXPECT_FALSE(response.redraw || response.save || response.cursor);
    for (const auto& [x, y] : {std::pair{896, 0}, {918, 300}, {990, 20}, {950, 500}}) {
        response = Press_At(&document, &state, x, y);
        EXPECT_FALSE(response.redraw || response.save || response.leave || response.cursor);
    }
    EXPECT_EQ(document.pixels, before.pixels);
    EXPECT_EQ(state.current_color, initial.current_color);
    EXPECT_EQ(state.previous_color, initial.previous_color);
    EXPECT_EQ(state.current_tool, initial.current_tool);
    EXPECT_EQ(state.previous_tool, initial.previous_tool);
}

} // namespace
