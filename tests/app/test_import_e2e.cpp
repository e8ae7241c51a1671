// Importing an image through the real program: the chooser with its four
// candidates, the pick going to the editor, and files that cannot be used.

#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "support/App_Session.h"
#include "support/Test_Images.h"
#include "support/X_Server.h"
#include "ui/Choice_Window_Model.h"
#include "ui/Editor_Model.h"
#include "ui/Root_Window_Model.h"

namespace {

constexpr const char* chooser_title = "Image Selection";

struct Import_Session : App_Session {
    Import_Session() {
        const DTImage image = Pattern_Image(128, 96, 7);
        Write_RGB_PNG(png_path, 128, 96, image.pixels);
        Octree_Workspace workspace;
        candidates = Build_Candidates(image, workspace);
    }

    // Clicks the start window's import entry and waits for the chooser.
    Window Open_Chooser() {
        Queue_Answer(png_path);
        Click(Start_Window(), 300, 250);
        EXPECT_TRUE(Wait_For_Said("Loading image\n"));
        const Window chooser = Find_Window(chooser_title);
        EXPECT_NE(chooser, 0u) << Stderr_Of(run);
        return chooser;
    }

    std::string png_path = dir.file("photo.png");
    Candidates candidates;
};

} // namespace

TEST(Import, ChooserShowsTheCandidatesAndIgnoresEverythingButAPick) {
    Import_Session app;
    app.Start();
    const Window chooser = app.Open_Chooser();
    ASSERT_NE(chooser, 0u);
    const XWindowAttributes attributes = Window_Attributes(chooser);
    EXPECT_EQ(attributes.width, 1024);
    EXPECT_EQ(attributes.height, 850);

    // Gaps, edges, labels, the line, keys and the close button do nothing.
    for (XPoint p : std::vector<XPoint>{{0, 100},
                                        {511, 100},
                                        {512, 100},
                                        {1023, 100},
                                        {100, 0},
                                        {100, 384},
                                        {100, 400},
                                        {100, 410},
                                        {300, 818},
                                        {500, 839},
                                        {200, 810}}) {
        Click(chooser, p.x, p.y);
    }
    Press_Key(chooser, "Escape");
    Press_Key(chooser, "q");
    Send_Close_Request(chooser);
    Sleep_Ms(200);
    ASSERT_EQ(Find_Window(chooser_title, 0), chooser);

    XFontStruct* font = XQueryFont(Test_Display(), XGContextFromGC(DefaultGC(Test_Display(), 0)));
    ASSERT_NE(font, nullptr);
    std::string mismatch;
    EXPECT_TRUE(Wait_For_Image(chooser, [&](const Screen_Image& image) {
        mismatch = Compare_With_Chooser_Rules(image, app.candidates, font);
        return mismatch.empty();
    })) << mismatch;
    XFreeFontInfo(nullptr, font, 1);

    Click(chooser, 1, 1);
    const Window editor = Find_Window("photo.MQ4");
    EXPECT_NE(editor, 0u);
    Press_Key(editor, "Escape");
    Press_Key(app.Start_Window(), "Escape");
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stdout_Of(app.run), "Loading image\n");
}

class Import_Pick : public testing::TestWithParam<int> {};

TEST_P(Import_Pick, SavedPictureIsWhatTheConverterGivesForThatMethod) {
    const int slot = GetParam();
    const XPoint picks[] = {{510, 383}, {513, 100}, {100, 411}, {600, 793}};
    const char* methods[] = {"floyd-steinberg", "diffusion", "octree", "closest"};

    Import_Session app;
    app.Start();
    const Window chooser = app.Open_Chooser();
    ASSERT_NE(chooser, 0u);
    Click(chooser, picks[slot].x, picks[slot].y);
    const Window editor = Find_Window("photo.MQ4");
    ASSERT_NE(editor, 0u);

    const std::string saved = app.dir.file("saved.MQ4");
    app.Queue_Answer(saved);
    Click(editor, 950, 615);
    ASSERT_TRUE(app.Wait_For_Error(saved + " saved.\n"));
    Press_Key(editor, "Escape");
    Press_Key(app.Start_Window(), "Escape");
    EXPECT_EQ(app.Finish(), 0);

    const std::string converted = app.dir.file("converted.MQ4");
    ASSERT_EQ(Run_Command({Built_Program("zembrix-convert"), "--method", methods[slot],
                           app.png_path, converted}),
              0);
    EXPECT_EQ(Read_Bytes(saved), Read_Bytes(converted));
    EXPECT_EQ(Read_Bytes(saved).size(), 6657u);
}

INSTANTIATE_TEST_SUITE_P(EverySlot, Import_Pick, testing::Values(0, 1, 2, 3));

TEST(Import, UnusableFilesAreReportedAndTheStartWindowReturns) {
    App_Session app;
    Write_Text(app.dir.file("notes.png"), "just some text, not an image\n");
    const DTImage image = Pattern_Image(128, 96, 3);
    Write_RGB_PNG(app.dir.file("whole.png"), 128, 96, image.pixels);
    std::vector<std::uint8_t> png = Read_Bytes(app.dir.file("whole.png"));
    png.resize(png.size() / 2);
    Write_Bytes(app.dir.file("truncated.png"), png);
    Write_RGB_PNG(app.dir.file("small.png"), 100, 50, Pattern_Image(100, 50, 1).pixels);

    app.Queue_Answer(app.dir.file("notes.png"));
    app.Queue_Answer(app.dir.file("truncated.png"));
    app.Queue_Answer(app.dir.file("small.png"));
    app.Queue_Answer("CANCEL");
    app.Start();
    const char* messages[] = {
        "Image file of unrecognized format.\n",
        "Failed to read image content.\n",
        "Image 100x50 is smaller than 128x96 (5000 of 12288 pixels).\n",
    };
    for (const char* message : messages) {
        Click(app.Start_Window(), 300, 250);
        ASSERT_TRUE(app.Wait_For_Error(message)) << Stderr_Of(app.run);
    }
    Click(app.Start_Window(), 300, 250);
    ASSERT_TRUE(app.Wait_For_Said("User cancelled file opening...\n"));
    EXPECT_EQ(Find_Window(chooser_title, 0), 0u);
    Click(app.Start_Window(), 300, 410);
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stdout_Of(app.run),
              "Loading image\nLoading image\nLoading image\nUser cancelled file opening...\n");
}

// On a 16-bit screen every window shows what it shows on a 24-bit one, each
// colour reduced to the visual's 5, 6 and 5 bits.
TEST(Import, EveryWindowOnASixteenBitScreen) {
    Private_X_Server server({"-screen", "0", "1920x1200x16"});
    ASSERT_TRUE(server.Started()) << "Xvfb did not start";
    const Display_Switch on_server(server.display);
    Import_Session app;
    Display* display = Test_Display();
    ASSERT_NE(display, nullptr);
    ASSERT_EQ(DefaultDepth(display, 0), 16);
    app.Start();
    std::string mismatch;
    const auto shows = [&](Window window, auto compare) {
        return Wait_For_Image(window, [&](const Screen_Image& image) {
            EXPECT_EQ(image.masks.red, 0xF800u);
            EXPECT_EQ(image.masks.green, 0x07E0u);
            EXPECT_EQ(image.masks.blue, 0x001Fu);
            mismatch = compare(image);
            return mismatch.empty();
        });
    };

    XFontStruct* font = XLoadQueryFont(display, "10x20");
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(
        shows(app.Start_Window(),
              [&](const Screen_Image& image) { return Compare_With_Root_Rules(image, font); }))
        << "start window: " << mismatch;
    XFreeFont(display, font);

    const Window chooser = app.Open_Chooser();
    ASSERT_NE(chooser, 0u);
    XFontStruct* gc_font = XQueryFont(display, XGContextFromGC(DefaultGC(display, 0)));
    ASSERT_NE(gc_font, nullptr);
    EXPECT_TRUE(shows(chooser,
                      [&](const Screen_Image& image) {
                          return Compare_With_Chooser_Rules(image, app.candidates, gc_font);
                      }))
        << "chooser: " << mismatch;
    XFreeFontInfo(nullptr, gc_font, 1);

    Click(chooser, 1, 1);
    const Window editor = Find_Window("photo.MQ4");
    ASSERT_NE(editor, 0u);
    const Label_Boxes labels = Editor_Label_Boxes(display);
    const Editor_Picture model =
        Model_Editor(app.candidates[0], Editor_State{}, labels.save, labels.exit);
    EXPECT_TRUE(shows(editor,
                      [&](const Screen_Image& image) {
                          return Compare_With_Model(model, image.pixels, image.masks);
                      }))
        << "editor: " << mismatch;

    Press_Key(editor, "Escape");
    Press_Key(app.Start_Window(), "Escape");
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stderr_Of(app.run), "Exiting editor...\nExiting editor...\nExiting app...\n");
}
