#include <gtest/gtest.h>

#include "dialogs/Dialog_Command.h"
#include "dialogs/tinyfiledialogs.h"
#include "support/Temp_Dir.h"

#include <cstdlib>
#include <sys/stat.h>

namespace {

// Puts a fake dialog program first on PATH for the length of a test.
struct Fake_Dialog {
    Fake_Dialog(const std::string& name, const std::string& script) {
        const std::string path = dir.file(name);
        Write_Text(path, "#!/bin/sh\n" + script);
        chmod(path.c_str(), 0755);
        old_path = std::getenv("PATH");
        setenv("PATH", dir.path.c_str(), 1);
    }
    ~Fake_Dialog() { setenv("PATH", old_path.c_str(), 1); }
    Temp_Dir dir;
    std::string old_path;
};

} // namespace

TEST(DialogCommand, PatternsMatchEitherCase) {
    EXPECT_EQ(Both_Case_Patterns({"*.PNG"}), (std::vector<std::string>{"*.PNG", "*.png"}));
    EXPECT_EQ(Both_Case_Patterns({"*.mq4"}), (std::vector<std::string>{"*.mq4", "*.MQ4"}));
}

TEST(DialogCommand, ZenityArgumentsForOpenAndSave) {
    Dialog_Request open;
    open.title = "Select a PNG file.";
    open.patterns = {"*.PNG"};
    EXPECT_EQ(Zenity_Arguments(open),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Select a PNG file.",
                                        "--file-filter=*.PNG | *.PNG *.png"}));
    Dialog_Request save = open;
    save.title = "Save MQ4 file.";
    save.patterns = {"*.MQ4"};
    save.save = true;
    EXPECT_EQ(
        Zenity_Arguments(save),
        (std::vector<std::string>{"zenity", "--file-selection", "--title=Save MQ4 file.", "--save",
                                  "--confirm-overwrite", "--file-filter=*.MQ4 | *.MQ4 *.mq4"}));
}

TEST(Dialogs, AnswerIsStrippedAndCancelGivesNull) {
    // Titles with shell characters reach the program untouched.
    Fake_Dialog zenity("zenity", "printf '%s\\n' \"$2\" >\"${0%/*}/seen\"\n"
                                 "[ \"$2\" = '--title=$(x); `y`' ] && printf '/tmp/a b.png\\n'\n");
    char const* patterns[] = {"*.PNG"};
    char const* path = tinyfd_openFileDialog("$(x); `y`", "", 1, patterns, nullptr, 0);
    ASSERT_NE(path, nullptr);
    EXPECT_STREQ(path, "/tmp/a b.png");

    EXPECT_EQ(tinyfd_saveFileDialog("other", "", 1, patterns, nullptr), nullptr);
}

TEST(Dialogs, FallsBackToKdialogThenReportsMissingProgram) {
    {
        Fake_Dialog kdialog("kdialog", "echo /home/k.MQ4\n");
        char const* patterns[] = {"*.MQ4"};
        char const* path = tinyfd_saveFileDialog("Save MQ4 file.", "", 1, patterns, nullptr);
        ASSERT_NE(path, nullptr);
        EXPECT_STREQ(path, "/home/k.MQ4");
    }
    Temp_Dir empty;
    const std::string old_path = std::getenv("PATH");
    setenv("PATH", empty.path.c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(tinyfd_openFileDialog("t", "", 0, nullptr, nullptr, 0), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    setenv("PATH", old_path.c_str(), 1);
    EXPECT_NE(said.find("zenity"), std::string::npos) << said;
}
