// Painting only what changed: after every press and drag step, driven through
// the editor's own input rules, the window must hold exactly what a full
// repaint of the same state paints into a fresh pixmap.

#include <gtest/gtest.h>

#include "support/X_Driver.h"
#include "ui/Editor.h"
#include "ui/Editor_Drawing.h"
#include "ui/Editor_Layout.h"
#include "ui/Editor_Model.h"
#include "ui/Windows.h"

#include <random>
#include <string>
#include <thread>

namespace {

struct White_Pixmap {
    explicit White_Pixmap(Display* display_)
        : display(display_), pixmap(XCreatePixmap(display, DefaultRootWindow(display), editor_width,
                                                  editor_height, 24)),
          gc(XCreateGC(display, pixmap, 0, nullptr)) {
        XSetForeground(display, gc, 0xFFFFFF);
        XFillRectangle(display, pixmap, gc, 0, 0, editor_width, editor_height);
        // The drawing must set every colour itself.
        XSetForeground(display, gc, 0x123456);
    }
    ~White_Pixmap() {
        XFreeGC(display, gc);
        XFreePixmap(display, pixmap);
    }
    White_Pixmap(const White_Pixmap&) = delete;
    White_Pixmap& operator=(const White_Pixmap&) = delete;

    Display* display;
    Pixmap pixmap;
    GC gc;
};

// Random indices in runs of random length, on a palette that shows low bits.
MQ4_Document Random_Picture(std::mt19937& random) {
    MQ4_Document document;
    std::uniform_int_distribution<int> index(0, 15);
    std::uniform_int_distribution<int> run(1, 9);
    std::uniform_int_distribution<std::int32_t> color(0, 0xFFFFFF);
    for (DTPixel& entry : document.palette) {
        entry = Split_Color(color(random));
    }
    for (int n = 0; n < picture_pixels;) {
        const auto value = static_cast<std::uint8_t>(index(random));
        for (int k = run(random); k > 0 && n < picture_pixels; --k) {
            document.pixels[static_cast<std::size_t>(n++)] = value;
        }
    }
    return document;
}

int Uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

// A press somewhere the editor reacts to, or now and then anywhere at all.
XPoint Press_Point(std::mt19937& random) {
    int x = 0;
    int y = 0;
    switch (Uniform(random, 0, 5)) {
    case 0:
    case 1: // the picture
        x = Uniform(random, 0, 895);
        y = Uniform(random, 0, 671);
        break;
    case 2: // a swatch, its neighbours more often than not
        x = Uniform(random, 919, 979);
        y = 10 + 25 * Uniform(random, 0, 15) + Uniform(random, 0, 20);
        break;
    case 3: // a tool icon
        x = Uniform(random, 919, 979);
        y = (Uniform(random, 0, 1) ? 440 : 525) + Uniform(random, 0, 50);
        break;
    default:
        x = Uniform(random, -10, 1010);
        y = Uniform(random, -10, 680);
        break;
    }
    return XPoint{static_cast<short>(x), static_cast<short>(y)};
}

class Editor_Changes : public ::testing::Test {
  protected:
    void SetUp() override {
        display = Test_Display();
        ASSERT_NE(display, nullptr);
    }

    // Paints the response into the window as the editor's loop does and
    // counts the requests it took.
    unsigned long Apply(const Editor_Response& response, const White_Pixmap& window) {
        const unsigned long before = XNextRequest(display);
        if (response.redraw) {
            Draw_Editor_Changes(response, &document, &state, display, window.pixmap, window.gc);
        }
        return XNextRequest(display) - before;
    }

    std::string Difference_From_Full_Repaint(const White_Pixmap& window) {
        const White_Pixmap fresh(display);
        Draw_Editor_Window(&document, &state, display, fresh.pixmap, fresh.gc);
        const auto shown = Read_Drawable(window.pixmap, editor_width, editor_height).pixels;
        const auto expected = Read_Drawable(fresh.pixmap, editor_width, editor_height).pixels;
        for (int n = 0; n < editor_width * editor_height; ++n) {
            if (shown[n] != expected[n]) {
                return "first difference at (" + std::to_string(n % editor_width) + ", " +
                       std::to_string(n / editor_width) + ")";
            }
        }
        return "";
    }

    Display* display = nullptr;
    MQ4_Document document;
    Editor_State state;
};

TEST_F(Editor_Changes, RandomPressesAndDragsLeaveTheFullRepaintsPixels) {
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 random(seed);
        document = Random_Picture(random);
        state = Editor_State{};
        const White_Pixmap window(display);
        Apply(Editor_Response{.redraw = true, .whole = true}, window);
        for (int step = 0; step < 60; ++step) {
            const bool drag = Uniform(random, 0, 2) == 0;
            const XPoint at = Press_Point(random);
            if (!drag) {
                const Editor_Response response = Press_At(&document, &state, at.x, at.y);
                const unsigned long requests = Apply(response, window);
                EXPECT_FALSE(response.whole);
                // A colour and a frame or two: never the picture again.
                EXPECT_LE(requests, 4u) << "seed " << seed << " step " << step;
            } else {
                // A drag through a few neighbouring cells, some of them twice.
                XPoint pointer = at;
                for (int move = Uniform(random, 1, 8); move > 0; --move) {
                    pointer.x = static_cast<short>(pointer.x + Uniform(random, -9, 9));
                    pointer.y = static_cast<short>(pointer.y + Uniform(random, -9, 9));
                    const Editor_Response response =
                        Drag_At(&document, &state, pointer.x, pointer.y);
                    // Xlib may fold a fill into the request before it.
                    const unsigned long requests = Apply(response, window);
                    EXPECT_LE(requests, response.cell >= 0 ? 2u : 0u);
                }
            }
            const std::string difference = Difference_From_Full_Repaint(window);
            ASSERT_EQ(difference, "") << "seed " << seed << " step " << step << " at " << at.x
                                      << ", " << at.y << (drag ? " (drag)" : " (press)");
        }
    }
}

// The frames that a change of colour must keep right: neighbours sharing a
// row, the same swatch twice, and the eyedropper picking the current colour.
TEST_F(Editor_Changes, ColourFramesOfNeighboursAndRepeatsMatchTheFullRepaint) {
    std::mt19937 random(7);
    document = Random_Picture(random);
    state = Editor_State{};
    const White_Pixmap window(display);
    Apply(Editor_Response{.redraw = true, .whole = true}, window);
    for (const int swatch : {1, 0, 1, 2, 2, 3, 15, 14, 14, 13, 0}) {
        Apply(Press_At(&document, &state, 950, 20 + 25 * swatch), window);
        ASSERT_EQ(Difference_From_Full_Repaint(window), "") << "swatch " << swatch;
    }
    // The eyedropper on a cell of the current colour, then of the next one.
    document.pixels[0] = static_cast<std::uint8_t>(state.current_color);
    document.pixels[1] = static_cast<std::uint8_t>(state.current_color + 1);
    Draw_Editor_Cell(&document, 0, display, window.pixmap, window.gc);
    Draw_Editor_Cell(&document, 1, display, window.pixmap, window.gc);
    for (const int x : {3, 3, 10}) {
        Apply(Press_At(&document, &state, x, 3), window);
        ASSERT_EQ(Difference_From_Full_Repaint(window), "") << "pick at " << x;
    }
    for (const int y : {550, 550, 460, 460, 550}) {
        const Editor_Response response = Press_At(&document, &state, 950, y);
        EXPECT_TRUE(response.tool_frames && !response.color_frames && response.cell < 0);
        Apply(response, window);
        ASSERT_EQ(Difference_From_Full_Repaint(window), "") << "tool at " << y;
    }
}

TEST_F(Editor_Changes, APencilPressSendsOnlyTheCellItChanges) {
    document = MQ4_Document{};
    state = Editor_State{5, 0, tool_pencil, tool_eyedropper};
    const White_Pixmap window(display);
    Apply(Editor_Response{.redraw = true, .whole = true}, window);

    Editor_Response response = Press_At(&document, &state, 7 * 40 + 3, 7 * 50 + 6);
    EXPECT_EQ(response.cell, 40 + 50 * 128);
    EXPECT_FALSE(response.color_frames || response.tool_frames || response.whole);
    EXPECT_LE(Apply(response, window), 2u);
    EXPECT_EQ(Difference_From_Full_Repaint(window), "");
    // Pressed again: it still counts as a redraw, but nothing is sent.
    response = Press_At(&document, &state, 7 * 40, 7 * 50);
    EXPECT_TRUE(response.redraw);
    EXPECT_EQ(response.cell, -1);
    EXPECT_EQ(Apply(response, window), 0u);
}

TEST_F(Editor_Changes, ChoosingTheSameColourOrToolAgainSendsNothing) {
    document = MQ4_Document{};
    state = Editor_State{};
    const White_Pixmap window(display);
    Apply(Editor_Response{.redraw = true, .whole = true}, window);
    EXPECT_GT(Apply(Press_At(&document, &state, 950, 20 + 25 * 4), window), 0u);
    EXPECT_EQ(Apply(Press_At(&document, &state, 950, 20 + 25 * 4), window), 0u);
    EXPECT_GT(Apply(Press_At(&document, &state, 950, 550), window), 0u);
    EXPECT_EQ(Apply(Press_At(&document, &state, 950, 550), window), 0u);
    // The eyedropper on a cell of the current colour.
    EXPECT_GT(Apply(Press_At(&document, &state, 950, 460), window), 0u);
    document.pixels[0] = 4;
    Draw_Editor_Cell(&document, 0, display, window.pixmap, window.gc);
    EXPECT_EQ(Apply(Press_At(&document, &state, 2, 2), window), 0u);
    EXPECT_EQ(Difference_From_Full_Repaint(window), "");
}

} // namespace

// SAVE hands the picture as it stands to the action its caller gave, and
// the editor goes on; EXIT ends it.
TEST(EditorSaveAction, SaveGivesTheEditedPictureToTheCaller) {
    MQ4_Document document;
    document.file_title = "save-action.MQ4";
    document.palette[3] = Split_Color(0xF80000);
    std::vector<MQ4_Document> saved;
    std::thread editor_thread(
        [&] { MQ4_Editor(&document, [&](const MQ4_Document& shown) { saved.push_back(shown); }); });
    const Window window = Find_Window("save-action.MQ4");
    ASSERT_NE(window, 0u);
    const int right_column = palette_left + swatch_width / 2;
    Click(window, right_column, pencil_top + 25);
    Click(window, right_column, swatch_top + 3 * swatch_pitch + swatch_height / 2);
    Click(window, 3, 3); // the top-left pixel
    Click(window, right_column, save_frame_top + 12);
    Click(window, right_column, exit_frame_top + 12);
    editor_thread.join();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].pixels[0], 3);
    EXPECT_EQ(saved[0].pixels, document.pixels);
    EXPECT_EQ(saved[0].file_title, document.file_title);
}
