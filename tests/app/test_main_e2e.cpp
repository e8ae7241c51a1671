// The real program under the test's X display: the start window, its entries
// and the main loop's answers to them.

#include <gtest/gtest.h>

#include "support/App_Session.h"
#include "ui/Root_Window_Model.h"

namespace {

// Waits until the program has shown that many dialogs in all.
bool Wait_For_Calls(const App_Session& app, std::size_t count) {
    for (int waited = 0; waited <= 10000; waited += 20) {
        if (app.Dialog_Calls().size() >= count) {
            return true;
        }
        Sleep_Ms(20);
    }
    return false;
}

} // namespace

TEST(StartWindow, ShowsTheRulesAndEscapeEndsTheProgram) {
    App_Session app;
    app.Start();
    const Window window = app.Start_Window();
    ASSERT_NE(window, 0u);
    const XWindowAttributes attributes = Window_Attributes(window);
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);
    EXPECT_EQ(attributes.border_width, 5);

    XFontStruct* font = XLoadQueryFont(Test_Display(), "10x20");
    ASSERT_NE(font, nullptr);
    std::string mismatch;
    const bool painted = Wait_For_Image(window, [&](const Screen_Image& image) {
        mismatch = Compare_With_Root_Rules(image, font);
        return mismatch.empty();
    });
    XFreeFont(Test_Display(), font);
    EXPECT_TRUE(painted) << mismatch;

    Press_Key(window, "a");
    Press_Key(window, "Escape");
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stderr_Of(app.run), "Exiting editor...\nExiting app...\n");
    EXPECT_EQ(Stdout_Of(app.run), "");
}

TEST(StartWindow, ExitEntryEndsTheProgramQuietly) {
    App_Session app;
    app.Start();
    // Presses beside the entries and on the logo do nothing.
    for (XPoint p :
         std::vector<XPoint>{{62, 233}, {300, 435}, {300, 290}, {300, 100}, {577, 400}}) {
        Click(app.Start_Window(), p.x, p.y);
    }
    Click(app.Start_Window(), 300, 390); // the grey plate above entry 3's frame
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stderr_Of(app.run), "Exiting app...\n");
    EXPECT_TRUE(app.Dialog_Calls().empty());
}

TEST(StartWindow, CloseButtonActsAsExit) {
    App_Session app;
    app.Start();
    Send_Close_Request(app.Start_Window());
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stderr_Of(app.run), "Exiting app...\n");
}

TEST(StartWindow, CancelledDialogsReturnToTheStartWindow) {
    App_Session app;
    for (int i = 0; i < 4; ++i) {
        app.Queue_Answer("CANCEL");
    }
    app.Start();
    Click(app.Start_Window(), 63, 233); // import, top-left corner of its area
    ASSERT_TRUE(app.Wait_For_Said("User cancelled file opening...\n", 1));
    Click(app.Start_Window(), 576, 276); // import, bottom-right corner
    ASSERT_TRUE(app.Wait_For_Said("User cancelled file opening...\n", 2));
    Click(app.Start_Window(), 63, 313); // open
    ASSERT_TRUE(app.Wait_For_Said("User cancelled file opening...\n", 3));
    Click(app.Start_Window(), 576, 356);
    ASSERT_TRUE(app.Wait_For_Said("User cancelled file opening...\n", 4));
    Click(app.Start_Window(), 63, 386); // exit, top-left corner of its area
    EXPECT_EQ(app.Finish(), 0);

    const auto calls = app.Dialog_Calls();
    ASSERT_EQ(calls.size(), 4u);
    const std::vector<std::string> png = {"--file-selection", "--title=Select a PNG file.",
                                          "--file-filter=*.PNG | *.[pP][nN][gG]"};
    const std::vector<std::string> mq4 = {"--file-selection", "--title=Select a MQ4 file.",
                                          "--file-filter=*.MQ4 | *.[mM][qQ]4"};
    EXPECT_EQ(calls[0], png);
    EXPECT_EQ(calls[1], png);
    EXPECT_EQ(calls[2], mq4);
    EXPECT_EQ(calls[3], mq4);
    EXPECT_EQ(Stdout_Of(app.run),
              std::string(4 * 31, ' ')
                  .replace(0, 124,
                           "User cancelled file opening...\nUser cancelled file opening...\n"
                           "User cancelled file opening...\nUser cancelled file opening...\n"));
    EXPECT_EQ(Stderr_Of(app.run), "Exiting app...\n");
}

TEST(StartWindow, UnreadableMq4FilesAreReportedNotCancelled) {
    App_Session app;
    Write_Bytes(app.dir.file("short.MQ4"), std::vector<std::uint8_t>(100, 0));
    app.Queue_Answer(app.dir.file("missing.MQ4"));
    app.Queue_Answer(app.dir.file("short.MQ4"));
    app.Start();
    Click(app.Start_Window(), 300, 330);
    ASSERT_TRUE(app.Wait_For_Error("Could not open MQ4 file: No such file or directory\n"));
    Click(app.Start_Window(), 300, 330);
    ASSERT_TRUE(app.Wait_For_Error("too short to be an MQ4 picture (100 of 6657 bytes)\n"));
    Click(app.Start_Window(), 300, 410);
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stdout_Of(app.run), "");
    EXPECT_EQ(Stderr_Of(app.run), "Could not open MQ4 file: No such file or directory\n" +
                                      app.dir.file("short.MQ4") +
                                      " is too short to be an MQ4 picture (100 of 6657 bytes)\n"
                                      "Exiting app...\n");
}

// A dialog that fails is said to have failed, not to have been cancelled,
// and the start window comes back as after a cancel.
TEST(StartWindow, FailedDialogsAreReportedNotCancelled) {
    struct Failure {
        int entry_y; // import or open
        const char* answer;
        const char* said;
    };
    const Failure failures[] = {
        {250, "STATUS 5", "zenity ended with status 5"},
        {330, "STATUS 255", "zenity ended with status 255"},
        {250, "KILLED", "zenity was ended by signal 9 (Killed)"},
        {330, "KILLED", "zenity was ended by signal 9 (Killed)"},
    };
    App_Session app;
    std::string said;
    for (const Failure& failure : failures) {
        app.Queue_Answer(failure.answer);
        said += std::string("Could not show the file dialog: ") + failure.said + "\n";
    }
    app.Start();
    for (std::size_t i = 0; i < std::size(failures); ++i) {
        Click(app.Start_Window(), 300, failures[i].entry_y);
        ASSERT_TRUE(Wait_For_Calls(app, i + 1));
    }
    Click(app.Start_Window(), 300, 410);
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stderr_Of(app.run), said + "Exiting app...\n");
    EXPECT_EQ(Stdout_Of(app.run), "");
}
