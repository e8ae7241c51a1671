// The real program handed every refused file of the bad-input table through
// its import and open dialogs: each time the message, no other window, and
// the start window back; in the end the program leaves normally.

#include <gtest/gtest.h>

#include "support/App_Session.h"
#include "support/Bad_Inputs.h"

namespace {

constexpr XPoint import_entry{300, 250};
constexpr XPoint open_entry{300, 330};
constexpr XPoint exit_entry{300, 410};

bool Wait_For_Stderr_Equal(const App_Session& app, const std::string& text) {
    for (int waited = 0; waited <= 15000; waited += 20) {
        if (Stderr_Of(app.run) == text) {
            return true;
        }
        Sleep_Ms(20);
    }
    return false;
}

} // namespace

TEST(BadInputsE2E, RefusedFilesLeaveTheProgramAtItsStartWindow) {
    App_Session app;
    struct Attempt {
        Bad_Input input;
        XPoint entry;
    };
    std::vector<Attempt> attempts;
    for (const Bad_Input& input : Bad_Image_Inputs()) {
        attempts.push_back({input, import_entry});
    }
    for (const Bad_Input& input : Bad_MQ4_Inputs()) {
        if (!input.accepted) {
            attempts.push_back({input, open_entry});
        }
    }
    for (const Attempt& attempt : attempts) {
        const std::string path = app.dir.file(attempt.input.file_name);
        Create_Bad_Input(attempt.input, path);
        app.Queue_Answer(path);
    }
    app.Start();

    std::string expected_err;
    std::string expected_out;
    for (const Attempt& attempt : attempts) {
        SCOPED_TRACE(attempt.input.what);
        const Window start = app.Start_Window();
        ASSERT_NE(start, 0u);
        Click(start, attempt.entry.x, attempt.entry.y);
        expected_err += Expected_Message(attempt.input, app.dir.file(attempt.input.file_name));
        if (attempt.entry.y == import_entry.y) {
            expected_out += "Loading image\n";
        }
        ASSERT_TRUE(Wait_For_Stderr_Equal(app, expected_err)) << Stderr_Of(app.run);
        EXPECT_EQ(Stdout_Of(app.run), expected_out);
    }
    Click(app.Start_Window(), exit_entry.x, exit_entry.y);
    EXPECT_EQ(app.Finish(), 0);
    EXPECT_EQ(Stderr_Of(app.run), expected_err + "Exiting app...\n");
    EXPECT_EQ(Stdout_Of(app.run), expected_out);
    EXPECT_EQ(app.Dialog_Calls().size(), attempts.size());
}
