// The editor in the real program: opened through the start window and the
// stub dialog, driven with the pointer and keys, checked by its pixels, its
// cursor, its console output and the files it saves.

#include <gtest/gtest.h>

#include "support/App_Session.h"
#include "support/Cursor_Probe.h"
#include "support/X_Server.h"
#include "ui/Editor_Model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int open_entry_x = 300;
constexpr int open_entry_y = 330;
constexpr int exit_entry_y = 410;

// A picture whose every cell differs from its right and lower neighbours, on a
// palette of sixteen distinct colours of the hardware grid.
MQ4_Document Test_Picture() {
    MQ4_Document document;
    const std::int32_t colors[16] = {0x000000, 0xF8F8F8, 0xF80000, 0x00F800, 0x0000F8, 0xF8F800,
                                     0x00F8F8, 0xF800F8, 0x808080, 0x400000, 0x004000, 0x000040,
                                     0xC08040, 0x4080C0, 0x80C040, 0x282828};
    for (int i = 0; i < 16; ++i) {
        document.palette[i] = Split_Color(colors[i]);
    }
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            document.pixels[y * 128 + x] = static_cast<std::uint8_t>((x + 3 * y) % 16);
        }
    }
    return document;
}

// The file the picture must be saved as, built here byte by byte.
std::vector<std::uint8_t> Expected_File(const MQ4_Document& document) {
    // The 65-byte header: 12 FF 90, six zeros, 01, zeros.
    std::vector<std::uint8_t> bytes(65, 0);
    bytes[0] = 0x12;
    bytes[1] = 0xFF;
    bytes[2] = 0x90;
    bytes[9] = 0x01;
    for (const DTPixel shown : document.palette) {
        const std::int32_t color = Color_Word(shown);
        const int red = (color >> 16) & 0xFF;
        const int green = (color >> 8) & 0xFF;
        const int blue = color & 0xFF;
        const int word = 0x8000 | (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3);
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
    }
    bytes.resize(513, 0);
    for (int k = 0; k < 6144; ++k) {
        bytes.push_back(
            static_cast<std::uint8_t>(document.pixels[2 * k] << 4 | document.pixels[2 * k + 1]));
    }
    return bytes;
}

int Cell_At(int x, int y) {
    return x / 7 + (y / 7) * 128;
}

XPoint Swatch(int i) {
    return XPoint{950, static_cast<short>(20 + 25 * i)};
}
constexpr XPoint eyedropper_icon{950, 465};
constexpr XPoint pencil_icon{950, 550};
constexpr XPoint save_button{950, 616};
constexpr XPoint exit_button{950, 647};

// One run of the program with a picture file to open in the editor.
class Editor_E2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Test_Display(), nullptr);
        labels = Editor_Label_Boxes(Test_Display());
        path = app.dir.file("scene.MQ4");
        original = Test_Picture();
        Write_Bytes(path, Expected_File(original));
    }

    // Opens the picture from the start window and waits for the editor.
    Window Open_Editor() {
        app.Queue_Answer(path);
        Click(app.Start_Window(), open_entry_x, open_entry_y);
        const Window window = Find_Window("scene.MQ4");
        EXPECT_NE(window, 0u) << "no editor; stderr: " << Stderr_Of(app.run);
        return window;
    }

    void Start_And_Open() {
        app.Start();
        editor = Open_Editor();
        ASSERT_NE(editor, 0u);
        document = original;
        state = Editor_State{};
        Expect_Shown();
    }

    // Waits until the window shows the document and selection of the model.
    void Expect_Shown() {
        const Editor_Picture model = Model_Editor(document, state, labels.save, labels.exit);
        std::string mismatch;
        const bool shown = Wait_For_Image(
            editor,
            [&](const Screen_Image& image) {
                mismatch = Compare_With_Model(model, image.pixels);
                return mismatch.empty();
            },
            5000);
        EXPECT_TRUE(shown) << mismatch;
    }

    void Press(XPoint at) { Click(editor, at.x, at.y); }

    // Drags with the pencil in the current colour. The editor reads the
    // pointer when it handles each event, so the pointer stays at every stop
    // inside the picture until the painted cell is shown.
    void Pencil_Drag(const std::vector<XPoint>& path) {
        for (std::size_t i = 0; i < path.size(); ++i) {
            const XPoint p = path[i];
            Move_Pointer(editor, p.x, p.y);
            if (i == 0) {
                Button_Down();
            }
            if (p.x >= 0 && p.x < 896 && p.y >= 0 && p.y < 672) {
                document.pixels[Cell_At(p.x, p.y)] = static_cast<std::uint8_t>(state.current_color);
                Expect_Shown();
            } else {
                Sleep_Ms(80);
            }
        }
        Button_Up();
        Expect_Shown();
    }

    void Leave_Editor_And_Program(XPoint leave = exit_button) {
        Press(leave);
        ASSERT_TRUE(Wait_Window_Gone("scene.MQ4"));
        Click(app.Start_Window(), open_entry_x, exit_entry_y);
        EXPECT_EQ(app.Finish(), 0);
    }

    App_Session app;
    Label_Boxes labels{};
    std::string path;
    MQ4_Document original;
    MQ4_Document document;
    Editor_State state;
    Window editor = 0;
};

TEST_F(Editor_E2E, OpensThePictureWithItsNameAndWindow) {
    Start_And_Open();
    EXPECT_EQ(Stdout_Of(app.run), "document_name: " + path);
    const XWindowAttributes attributes = Window_Attributes(editor);
    EXPECT_EQ(attributes.width, 1000);
    EXPECT_EQ(attributes.height, 672);
    EXPECT_EQ(attributes.border_width, 5);
    const Screen* screen = DefaultScreenOfDisplay(Test_Display());
    EXPECT_EQ(attributes.x, screen->width / 2 - 500);
    EXPECT_EQ(attributes.y, std::max(0, screen->height / 2 - 400));
    const auto calls = app.Dialog_Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0][1], "--title=Select a MQ4 file.");

    Leave_Editor_And_Program();
    EXPECT_EQ(Stderr_Of(app.run), "Exiting editor...\nExiting app...\n");
    EXPECT_EQ(Stdout_Of(app.run), "document_name: " + path);
}

TEST_F(Editor_E2E, SwatchesSelectColoursAndFramesFollow) {
    Start_And_Open();
    // Both corners of each hit area select it; the gap below it does not.
    Click(editor, 919, 10 + 25 * 5);
    state = {5, 0, 0, 0};
    Expect_Shown();
    Click(editor, 979, 30 + 25 * 5);
    state = {5, 5, 0, 0};
    Expect_Shown();
    Click(editor, 950, 31 + 25 * 5);
    Click(editor, 918, 10 + 25 * 7);
    Click(editor, 980, 10 + 25 * 7);
    Press(Swatch(6));
    state = {6, 5, 0, 0};
    Expect_Shown();
    Press(Swatch(15));
    state = {15, 6, 0, 0};
    Expect_Shown();
    Press(Swatch(0));
    state = {0, 15, 0, 0};
    Expect_Shown();
    Leave_Editor_And_Program();
}

TEST_F(Editor_E2E, ToolIconsSwitchToolAndCursor) {
    Display* display = Test_Display();
    const Cursor_Picture circle = Font_Cursor_Picture(display, 24, 1850, 1150);
    const Cursor_Picture crosshair = Font_Cursor_Picture(display, 34, 1850, 1150);
    ASSERT_NE(circle, crosshair);
    Start_And_Open();

    const auto cursor_over_picture = [&] {
        Move_Pointer(editor, 400, 300);
        return Current_Cursor(display);
    };
    EXPECT_EQ(cursor_over_picture(), circle);
    Click(editor, 979, 575); // pencil, bottom-right corner of its area
    state = {0, 0, 1, 0};
    Expect_Shown();
    EXPECT_EQ(cursor_over_picture(), crosshair);
    Press(pencil_icon);
    state = {0, 0, 1, 1};
    Expect_Shown();
    EXPECT_EQ(cursor_over_picture(), crosshair);
    Click(editor, 919, 440); // eyedropper, top-left corner
    state = {0, 0, 0, 1};
    Expect_Shown();
    EXPECT_EQ(cursor_over_picture(), circle);
    Leave_Editor_And_Program();
}

TEST_F(Editor_E2E, EyedropperPicksFromThePicture) {
    Start_And_Open();
    Click(editor, 7 * 10 + 3, 7 * 20 + 3);
    state = {document.pixels[10 + 20 * 128], 0, 0, 0};
    Expect_Shown();
    // The same index again: both fields hold it.
    const int same = Cell_At(7 * (10 + 16) + 6, 7 * 20);
    ASSERT_EQ(document.pixels[same], state.current_color);
    Click(editor, 7 * (10 + 16) + 6, 7 * 20);
    state.previous_color = state.current_color;
    Expect_Shown();
    // Picking changes no pixel, and a drag with the eyedropper paints nothing.
    Move_Pointer(editor, 100, 100);
    Button_Down();
    state = {document.pixels[Cell_At(100, 100)], state.current_color, 0, 0};
    Expect_Shown();
    for (const XPoint p : {XPoint{300, 100}, XPoint{300, 300}, XPoint{-20, 300}}) {
        Move_Pointer(editor, p.x, p.y);
        Sleep_Ms(80);
    }
    Button_Up();
    Expect_Shown();
    Leave_Editor_And_Program();
    EXPECT_EQ(Read_Bytes(path), Expected_File(original));
}

TEST_F(Editor_E2E, PencilPaintsByClickAndDragAndSaveWritesTheEdits) {
    Start_And_Open();
    Press(Swatch(9));
    Press(pencil_icon);
    state = {9, 0, 1, 0};
    Expect_Shown();

    Click(editor, 0, 0);
    document.pixels[0] = 9;
    Click(editor, 895, 671);
    document.pixels[12287] = 9;
    Expect_Shown();

    // A drag paints the cell under each position the pointer stops at.
    const std::vector<XPoint> path_inside = {{200, 200}, {207, 200}, {214, 207}, {400, 350}};
    Pencil_Drag(path_inside);

    // Drags that leave the picture on every side paint only inside it.
    Press(Swatch(3));
    state = {3, 9, 1, 0};
    const std::vector<std::vector<XPoint>> leaving = {
        {{3, 100}, {-20, 100}, {-40, 300}, {6, 300}},       // left, and back in
        {{100, 3}, {100, -15}, {300, -60}},                 // top
        {{893, 300}, {905, 300}, {950, 20}, {1100, 300}},   // right, over a swatch
        {{300, 669}, {300, 700}, {500, 900}},               // bottom
        {{600, 600}, {-30, -30}, {1400, 950}, {890, 665}}}; // corners, and back in
    for (const auto& drag : leaving) {
        Pencil_Drag(drag);
    }

    const std::string saved = app.dir.file("edited.MQ4");
    app.Queue_Answer(saved);
    Press(save_button);
    ASSERT_TRUE(app.Wait_For_Error(saved + " saved.\n"));
    EXPECT_EQ(Read_Bytes(saved), Expected_File(document));
    EXPECT_EQ(Read_Bytes(path), Expected_File(original));
    const auto calls = app.Dialog_Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1][1], "--title=Save MQ4 file.");
    // Saving leaves the picture and the selection as they were.
    Expect_Shown();

    Leave_Editor_And_Program();
    EXPECT_EQ(Stderr_Of(app.run),
              "Saving file...\n" + saved + " saved.\nExiting editor...\nExiting app...\n");
}

TEST_F(Editor_E2E, CancelledSaveWritesNothingAndTheEditorGoesOn) {
    Start_And_Open();
    Press(pencil_icon);
    Press(Swatch(2));
    Click(editor, 50, 50);
    document.pixels[Cell_At(50, 50)] = 2;
    state = {2, 0, 1, 0};
    Expect_Shown();

    app.Queue_Answer("CANCEL");
    Click(editor, 919, 605); // SAVE, top-left corner of its area
    ASSERT_TRUE(app.Wait_For_Said("Save cancelled by user...\n"));
    EXPECT_EQ(List_Dir(app.dir.path),
              (std::vector<std::string>{"dialogs", "scene.MQ4", "stderr.txt", "stdout.txt"}));
    Expect_Shown();
    Press(Swatch(4));
    state = {4, 2, 1, 0};
    Expect_Shown();
    Leave_Editor_And_Program();
    EXPECT_EQ(Stdout_Of(app.run), "document_name: " + path + "Save cancelled by user...\n");
    EXPECT_EQ(Read_Bytes(path), Expected_File(original));
}

// EXIT, Escape and the close button each leave the editor for a new start
// window, and what was not saved is gone when the file is opened again.
TEST_F(Editor_E2E, EveryWayOutReturnsToTheStartWindowAndDropsUnsavedEdits) {
    Start_And_Open();
    Press(pencil_icon);
    state = {0, 0, 1, 0};
    Pencil_Drag({{10, 10}, {500, 10}});
    ASSERT_NE(document.pixels, original.pixels);
    Click(editor, 981, 658); // EXIT, bottom-right corner of its area
    ASSERT_TRUE(Wait_Window_Gone("scene.MQ4"));
    ASSERT_TRUE(app.Wait_For_Error("Exiting editor...\n"));

    editor = Open_Editor();
    ASSERT_NE(editor, 0u);
    document = original;
    state = Editor_State{};
    Expect_Shown(); // the picture as the file holds it
    Press_Key(editor, "a");
    Press(Swatch(1));
    state = {1, 0, 0, 0};
    Expect_Shown();
    Press_Key(editor, "Escape");
    ASSERT_TRUE(Wait_Window_Gone("scene.MQ4"));

    editor = Open_Editor();
    ASSERT_NE(editor, 0u);
    state = Editor_State{};
    Expect_Shown();
    Send_Close_Request(editor);
    ASSERT_TRUE(Wait_Window_Gone("scene.MQ4"));

    Click(app.Start_Window(), open_entry_x, exit_entry_y);
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stderr_Of(app.run),
              "Exiting editor...\nExiting editor...\nExiting editor...\nExiting app...\n");
    const std::string name = "document_name: " + path;
    EXPECT_EQ(Stdout_Of(app.run), name + name + name);
    EXPECT_EQ(Read_Bytes(path), Expected_File(original));
}

// The editor on the first of two screens of one display.
class Editor_On_Two_Screens : public Editor_E2E {
  protected:
    Private_X_Server server{{"-screen", "0", "1280x1024x24", "-screen", "1", "1280x1024x24"}};
    Display_Switch on_server{server.display};

    // Moves the pointer onto the second screen, where the editor is not.
    void Pointer_To_Second_Screen(int x, int y) {
        Display* display = Test_Display();
        XWarpPointer(display, None, RootWindow(display, 1), 0, 0, 0, 0, x, y);
        XSync(display, False);
        Sleep_Ms(80);
    }

    // Holds button 1 down beside the picture, takes the pointer to the other
    // screen, moves it there and presses another button there: the editor,
    // which holds the pointer while button 1 is down, gets the motion and the
    // press, and must find the pointer outside its screen.
    void Drag_And_Press_On_Second_Screen() {
        Move_Pointer(editor, 905, 300);
        Button_Down(1);
        Sleep_Ms(80);
        Pointer_To_Second_Screen(100, 100);
        Pointer_To_Second_Screen(400, 300);
        Button_Down(3);
        Button_Up(3);
        Sleep_Ms(80);
        Button_Up(1);
    }
};

TEST_F(Editor_On_Two_Screens, PointerOnTheOtherScreenPicksAndPaintsNothing) {
    ASSERT_TRUE(server.Started()) << "Xvfb did not start";
    ASSERT_EQ(ScreenCount(Test_Display()), 2);
    Start_And_Open();
    Press(Swatch(9));
    Press(pencil_icon);
    state = {9, 0, 1, 0};
    Expect_Shown();

    // The pencil paints no cell (cell 0, at the window's corner, holds 0).
    Drag_And_Press_On_Second_Screen();
    Press(eyedropper_icon); // shown once the events before it have been handled
    state = {9, 0, 0, 1};
    Expect_Shown();

    // The eyedropper picks no colour.
    Drag_And_Press_On_Second_Screen();
    Press(pencil_icon);
    state = {9, 0, 1, 0};
    Expect_Shown();

    Leave_Editor_And_Program();
}

} // namespace
