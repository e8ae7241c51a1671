#include <gtest/gtest.h>

#include "support/X_Driver.h"
#include "ui/Data.h"
#include "ui/Editor_Model.h"
#include "ui/Windows.h"

namespace {

// Paints the editor into an off-screen 1000 x 672 pixmap that starts white, as
// the editor window's background is.
class Editor_Drawing : public ::testing::Test {
  protected:
    void SetUp() override {
        display = Test_Display();
        ASSERT_NE(display, nullptr);
        pixmap =
            XCreatePixmap(display, DefaultRootWindow(display), editor_width, editor_height, 24);
        gc = XCreateGC(display, pixmap, 0, nullptr);
        Clear();
        labels = Editor_Label_Boxes(display);
    }

    void Clear() {
        XSetForeground(display, gc, 0xFFFFFF);
        XFillRectangle(display, pixmap, gc, 0, 0, editor_width, editor_height);
        XSetForeground(display, gc, 0x123456); // the drawing must set every colour itself
    }

    void Draw(const MQ4_Document& document, const Editor_State& state) {
        Draw_Editor_Window(&document, &state, display, pixmap, gc);
    }

    std::vector<std::uint32_t> Read_Back() {
        return Read_Drawable(pixmap, editor_width, editor_height).pixels;
    }

    void Expect_Model(const MQ4_Document& document, const Editor_State& state) {
        const std::string differences = Compare_With_Model(
            Model_Editor(document, state, labels.save, labels.exit), Read_Back());
        EXPECT_EQ(differences, "");
    }

    void TearDown() override {
        if (display) {
            XFreeGC(display, gc);
            XFreePixmap(display, pixmap);
        }
    }

    Display* display = nullptr;
    Pixmap pixmap = 0;
    GC gc = nullptr;
    Label_Boxes labels{};
};

// A picture with every index in use, irregular shapes and a palette whose
// entries are not all on the hardware grid.
MQ4_Document Busy_Picture() {
    MQ4_Document document;
    const std::int32_t colors[16] = {0x000000, 0xFFFFFF, 0xF80000, 0x00F800, 0x0000F8, 0x070707,
                                     0x808080, 0x123456, 0xF8F8F8, 0x08F010, 0xABCDEF, 0x7F7F7F,
                                     0xC0C0C0, 0x400080, 0xFF8800, 0x010203};
    for (int i = 0; i < 16; ++i) {
        document.palette[i] = Split_Color(colors[i]);
    }
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            document.pixels[y * 128 + x] =
                static_cast<std::uint8_t>((x * 3 + y * 5 + x * y / 7) % 16);
        }
    }
    return document;
}

TEST_F(Editor_Drawing, AllZeroPictureIsOneBlockOfColourZero) {
    MQ4_Document document;
    document.palette[0] = Split_Color(0x4C6E1F); // low bits set: shown as 0x486818
    Draw(document, Editor_State{});
    const auto pixels = Read_Back();
    for (int y = 0; y < 672; ++y) {
        for (int x = 0; x < 896; ++x) {
            ASSERT_EQ(pixels[y * 1000 + x], 0x486818u) << x << ", " << y;
        }
    }
    Expect_Model(document, Editor_State{});
}

TEST_F(Editor_Drawing, BusyPictureMatchesModelPixelForPixel) {
    const MQ4_Document document = Busy_Picture();
    const Editor_State state{5, 9, tool_pencil, tool_eyedropper};
    Draw(document, state);
    Expect_Model(document, state);

    const auto pixels = Read_Back();
    // White is shown at hardware precision, near-black as black.
    EXPECT_EQ(pixels[(10 + 25 * 1) * 1000 + 919], 0xF8F8F8u);
    EXPECT_EQ(pixels[(10 + 25 * 5) * 1000 + 919], 0x000000u);
    // The one-pixel red border around each button.
    for (const int top : {604, 635}) {
        EXPECT_EQ(pixels[top * 1000 + 930], 0xFF0000u);
        EXPECT_EQ(pixels[(top + 21) * 1000 + 930], 0xFF0000u);
        EXPECT_EQ(pixels[(top + 10) * 1000 + 918], 0xFF0000u);
        EXPECT_EQ(pixels[(top + 10) * 1000 + 979], 0xFF0000u);
        EXPECT_EQ(pixels[(top + 10) * 1000 + 980], 0xFFFFFFu);
    }
}

TEST_F(Editor_Drawing, OldFramesAreErasedToWhiteAfterAChange) {
    const MQ4_Document document = Busy_Picture();
    Draw(document, Editor_State{7, 0, tool_pencil, tool_eyedropper});
    const Editor_State changed{12, 7, tool_eyedropper, tool_pencil};
    Draw(document, changed);
    Expect_Model(document, changed);

    const auto pixels = Read_Back();
    EXPECT_EQ(pixels[(7 + 25 * 7) * 1000 + 950], 0xFFFFFFu);  // old colour frame
    EXPECT_EQ(pixels[(7 + 25 * 12) * 1000 + 950], 0x000000u); // new colour frame
    EXPECT_EQ(pixels[523 * 1000 + 950], 0xFFFFFFu);           // old tool frame
    EXPECT_EQ(pixels[438 * 1000 + 950], 0x000000u);           // new tool frame
}

TEST_F(Editor_Drawing, SharedRowOfNeighbouringColourFramesIsBlack) {
    const MQ4_Document document = Busy_Picture();
    for (const Editor_State state : {Editor_State{4, 3, 0, 0}, Editor_State{3, 4, 0, 0},
                                     Editor_State{0, 1, 0, 0}, Editor_State{15, 14, 0, 0}}) {
        Clear();
        Draw(document, state);
        Expect_Model(document, state);
        const int shared = 7 + 25 * std::max(state.current_color, state.previous_color);
        const auto pixels = Read_Back();
        for (int x = 916; x <= 981; ++x) {
            ASSERT_EQ(pixels[shared * 1000 + x], 0x000000u) << x;
        }
    }
}

TEST_F(Editor_Drawing, EqualPreviousAndCurrentShowOnlyTheBlackFrame) {
    const MQ4_Document document = Busy_Picture();
    const Editor_State state{6, 6, 0, 0};
    Draw(document, state);
    Expect_Model(document, state);
    const auto pixels = Read_Back();
    EXPECT_EQ(pixels[(7 + 25 * 6) * 1000 + 916], 0x000000u);
    EXPECT_EQ(pixels[(32 + 25 * 6) * 1000 + 981], 0x000000u);
    EXPECT_EQ(pixels[438 * 1000 + 916], 0x000000u);
    EXPECT_EQ(pixels[492 * 1000 + 981], 0x000000u);
    EXPECT_EQ(pixels[523 * 1000 + 916], 0xFFFFFFu);
}

TEST_F(Editor_Drawing, OutOfRangeStateFieldsDrawNoFrame) {
    const MQ4_Document document = Busy_Picture();
    const Editor_State state{16, -1, 2, -1};
    Draw(document, state);
    Expect_Model(document, state);
    const auto pixels = Read_Back();
    for (int y = 0; y < 672; ++y) {
        for (int x = 916; x <= 981; ++x) {
            if (x == 916 || x == 917 || x == 980 || x == 981) {
                ASSERT_EQ(pixels[y * 1000 + x], 0xFFFFFFu) << x << ", " << y;
            }
        }
    }
}

TEST_F(Editor_Drawing, IconColumns48And49AreNeverDrawn) {
    int ink_in_hidden_columns = 0;
    for (int row = 0; row < icon_size; ++row) {
        const std::uint8_t last = eyedrop[row * icon_row_bytes + 6];
        ink_in_hidden_columns += ((last & 0x80) == 0) + ((last & 0x40) == 0);
    }
    ASSERT_GT(ink_in_hidden_columns, 0) << "the test needs ink in column 48 or 49";

    const MQ4_Document document = Busy_Picture();
    Draw(document, Editor_State{});
    Expect_Model(document, Editor_State{});
    const auto pixels = Read_Back();
    for (int y = 440; y < 490; ++y) {
        EXPECT_EQ(pixels[y * 1000 + 923 + 48], 0xFFFFFFu) << y;
        EXPECT_EQ(pixels[y * 1000 + 923 + 49], 0xFFFFFFu) << y;
    }
}

// Lean painting: a handful of requests per colour, not one per cell or point.
TEST_F(Editor_Drawing, PaintsWithFewRequests) {
    const MQ4_Document document = Busy_Picture();
    const Editor_State state{3, 2, 1, 0};
    const unsigned long before = XNextRequest(display);
    Draw(document, state);
    const unsigned long requests = XNextRequest(display) - before;
    EXPECT_LE(requests, 100u);
    Expect_Model(document, state);
}

} // namespace
