#include <gtest/gtest.h>

#include "dialogs/Dialog_Command.h"
#include "support/Temp_Dir.h"

#include <cstdlib>
#include <sys/stat.h>

namespace {

// Puts fake dialog programs, and nothing else, on PATH for the length of a
// test.
struct Fake_Dialogs {
    Fake_Dialogs() {
        old_path = std::getenv("PATH");
        setenv("PATH", dir.path.c_str(), 1);
    }
    ~Fake_Dialogs() { setenv("PATH", old_path.c_str(), 1); }
    void Add(const std::string& name, const std::string& script, mode_t mode = 0755) {
        const std::string path = dir.file(name);
        Write_Text(path, "#!/bin/sh\n" + script);
        chmod(path.c_str(), mode);
    }
    Temp_Dir dir;
    std::string old_path;
};

// The answer, and what was said on standard error meanwhile.
std::pair<Dialog_Answer, std::string> Show_Capturing(const Dialog_Request& request) {
    testing::internal::CaptureStderr();
    Dialog_Answer answer = Show_File_Dialog(request);
    return {answer, testing::internal::GetCapturedStderr()};
}

} // namespace

TEST(DialogCommand, PatternsMatchAnyMixOfCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"*.PNG", "*.[pP][nN][gG]"},
        {"*.mq4", "*.[mM][qQ]4"},
        {"photo-?.Png", "[pP][hH][oO][tT][oO]-?.[pP][nN][gG]"},
        {"*.[pP]ng", "*.[pP][nN][gG]"}, // a set of the pattern stays as it is
        {"*", "*"},
    };
    for (const auto& [pattern, any_case] : cases) {
        EXPECT_EQ(Any_Case_Pattern(pattern), any_case) << pattern;
    }
}

TEST(DialogCommand, ArgumentsForOpenAndSave) {
    const Dialog_Request open = Open_Request("Select a PNG file.", {"*.PNG"});
    EXPECT_EQ(Zenity_Arguments(open),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Select a PNG file.",
                                        "--file-filter=*.PNG | *.[pP][nN][gG]"}));
    EXPECT_EQ(Kdialog_Arguments(open),
              (std::vector<std::string>{"kdialog", "--title", "Select a PNG file.",
                                        "--getopenfilename", ".", "*.[pP][nN][gG]"}));
    const Dialog_Request save = Save_Request("Save MQ4 file.", {"*.MQ4"});
    EXPECT_EQ(
        Zenity_Arguments(save),
        (std::vector<std::string>{"zenity", "--file-selection", "--title=Save MQ4 file.", "--save",
                                  "--confirm-overwrite", "--file-filter=*.MQ4 | *.[mM][qQ]4"}));
}

// How the dialog program ends decides the answer: a path, a cancel, or a
// failure that is reported and is no cancel.
TEST(Dialogs, EveryWayTheDialogProgramEnds) {
    struct Case {
        const char* what;
        const char* script; // zenity's; null for none on PATH
        mode_t mode;
        Dialog_Outcome outcome;
        const char* path;
        const char* said;
    };
    const Case cases[] = {
        {"a choice", "printf '/tmp/a b.png\\n\\n'\n", 0755, Dialog_Outcome::chosen, "/tmp/a b.png",
         ""},
        {"a cancel", "exit 1\n", 0755, Dialog_Outcome::cancelled, "", ""},
        {"status 0 without a name", "exit 0\n", 0755, Dialog_Outcome::cancelled, "", ""},
        {"an error status", "echo /tmp/x.png; exit 255\n", 0755, Dialog_Outcome::failed, "",
         "Could not show the file dialog: zenity ended with status 255\n"},
        {"zenity's timeout", "exit 5\n", 0755, Dialog_Outcome::failed, "",
         "Could not show the file dialog: zenity ended with status 5\n"},
        {"killed", "kill -KILL $$\n", 0755, Dialog_Outcome::failed, "",
         "Could not show the file dialog: zenity was ended by signal 9 (Killed)\n"},
        {"crashed", "kill -SEGV $$\n", 0755, Dialog_Outcome::failed, "",
         "Could not show the file dialog: zenity was ended by signal 11 (Segmentation fault)\n"},
        {"not executable", "echo /tmp/x.png\n", 0644, Dialog_Outcome::failed, "",
         "Could not show the file dialog: zenity: Permission denied\n"},
        {"no dialog program", nullptr, 0, Dialog_Outcome::failed, "",
         "Could not show the file dialog: neither zenity nor kdialog is installed (install "
         "zenity)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fake_Dialogs dialogs;
        if (c.script) {
            dialogs.Add("zenity", c.script, c.mode);
        }
        const auto [answer, said] = Show_Capturing(Open_Request("Select a PNG file.", {"*.PNG"}));
        EXPECT_EQ(answer.outcome, c.outcome);
        EXPECT_EQ(answer.path, c.path);
        EXPECT_EQ(said, c.said);
    }
}

TEST(Dialogs, TitlesReachTheProgramUntouched) {
    Fake_Dialogs dialogs;
    dialogs.Add("zenity", "[ \"$2\" = '--title=$(x); `y`' ] && printf '/tmp/t.png\\n'\n");
    const auto [answer, said] = Show_Capturing(Open_Request("$(x); `y`", {}));
    EXPECT_EQ(answer.outcome, Dialog_Outcome::chosen);
    EXPECT_EQ(answer.path, "/tmp/t.png");
    EXPECT_EQ(said, "");
}

TEST(Dialogs, KdialogStandsInForAMissingZenityOnly) {
    Fake_Dialogs dialogs;
    dialogs.Add("kdialog", "echo /home/k.MQ4\n");
    auto [answer, said] = Show_Capturing(Save_Request("Save MQ4 file.", {"*.MQ4"}));
    EXPECT_EQ(answer.outcome, Dialog_Outcome::chosen);
    EXPECT_EQ(answer.path, "/home/k.MQ4");
    EXPECT_EQ(said, "");

    // A zenity that fails is reported; kdialog is not tried instead.
    dialogs.Add("zenity", "exit 3\n");
    std::tie(answer, said) = Show_Capturing(Save_Request("Save MQ4 file.", {"*.MQ4"}));
    EXPECT_EQ(answer.outcome, Dialog_Outcome::failed);
    EXPECT_EQ(said, "Could not show the file dialog: zenity ended with status 3\n");
}
