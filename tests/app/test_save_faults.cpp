// Saving through the real save dialog (a stub zenity answers it) while the
// disk or the dialog fails in every way the writer can see: the message, no
// "saved" line, the old file byte for byte, no temporary file.

#include <gtest/gtest.h>

#include "app/MQ4_Flows.h"
#include "io/MQ4_File.h"
#include "io/Safe_Write.h"
#include "support/Temp_Dir.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace {

// Points the dialogs at the stub zenity for the test's lifetime.
struct Stub_Dialogs {
    Temp_Dir dir;
    std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    Stub_Dialogs() {
        const std::string stub_bin = std::string(ZEMBRIX_SOURCE_DIR) + "/tests/support/stub-bin";
        setenv("PATH", (stub_bin + ":" + old_path).c_str(), 1);
        setenv("ZENITY_STUB_DIR", dir.path.c_str(), 1);
    }
    ~Stub_Dialogs() {
        setenv("PATH", old_path.c_str(), 1);
        unsetenv("ZENITY_STUB_DIR");
        write_faults = Write_Faults{};
    }
    void Answer(const std::string& answer) { Write_Text(dir.file("answers"), answer + "\n"); }
};

MQ4_Document Picture_Of(std::uint8_t index, std::int32_t colour) {
    MQ4_Document picture;
    picture.pixels.fill(index);
    picture.palette.fill(Split_Color(colour));
    return picture;
}

struct Fault {
    const char* what;
    Write_Faults faults;
    // A name in the folder, or the stub's CANCEL, STATUS n or KILLED.
    const char* answer;
    // The line after "Saving file...\n" on standard error ("" for none), and
    // standard output.
    const char* said;
    const char* out;
};

const Fault faults[] = {
    {"disk full at once", {ENOSPC, 0, 0, 0, 0}, "keep.MQ4", "No space left on device", ""},
    {"disk full half-way", {ENOSPC, 4096, 0, 0, 0}, "keep.MQ4", "No space left on device", ""},
    {"write error", {EIO, 100, 0, 0, 0}, "keep.MQ4", "Input/output error", ""},
    {"flush error", {0, -1, EIO, 0, 0}, "keep.MQ4", "Input/output error", ""},
    {"close error", {0, -1, 0, EIO, 0}, "keep.MQ4", "Input/output error", ""},
    {"rename fails", {0, -1, 0, 0, EIO}, "keep.MQ4", "Input/output error", ""},
    {"folder missing", {}, "gone/keep.MQ4", "No such file or directory", ""},
    {"no new file and the target missing",
     {0, -1, 0, 0, 0, EACCES},
     "new.MQ4",
     "Permission denied",
     ""},
    {"dialog cancelled", {}, "CANCEL", "", "Save cancelled by user...\n"},
    {"dialog fails", {}, "STATUS 255", "zenity ended with status 255", ""},
    {"dialog killed", {}, "KILLED", "zenity was ended by signal 9 (Killed)", ""},
};

} // namespace

TEST(SaveFaults, NothingIsLostAndNothingIsSaidToBeSaved) {
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        Stub_Dialogs dialogs;
        Temp_Dir folder;
        const std::string kept = folder.file("keep.MQ4");
        ASSERT_TRUE(Write_MQ4_File(kept, Picture_Of(3, 0x102030)));
        const std::vector<std::uint8_t> before = Read_Bytes(kept);

        const std::string answer = fault.answer;
        const bool path_given = answer.ends_with(".MQ4");
        const std::string path = folder.file(answer);
        dialogs.Answer(path_given ? path : answer);
        write_faults = fault.faults;
        const MQ4_Document changed = Picture_Of(12, 0xF80000);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        Save_MQ4_File(changed);
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string out = testing::internal::GetCapturedStdout();

        const std::string said = fault.said;
        const std::string line = said.empty() ? ""
                                 : path_given ? "Could not save " + path + ": " + said + "\n"
                                              : "Could not show the file dialog: " + said + "\n";
        EXPECT_EQ(err, "Saving file...\n" + line);
        EXPECT_EQ(out, fault.out);
        EXPECT_EQ(Read_Bytes(kept), before);
        EXPECT_EQ(List_Dir(folder.path), std::vector<std::string>{"keep.MQ4"});
    }
}

TEST(SaveFaults, WithoutFaultsTheSameSaveReplacesTheFile) {
    Stub_Dialogs dialogs;
    Temp_Dir folder;
    const std::string kept = folder.file("keep.MQ4");
    ASSERT_TRUE(Write_MQ4_File(kept, Picture_Of(3, 0x102030)));
    dialogs.Answer(kept);
    const MQ4_Document changed = Picture_Of(12, 0xF80000);
    testing::internal::CaptureStderr();
    Save_MQ4_File(changed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Saving file...\n" + kept + " saved.\n");
    const MQ4_Bytes expected = Encode_MQ4(changed);
    EXPECT_EQ(Read_Bytes(kept), std::vector<std::uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(List_Dir(folder.path), std::vector<std::string>{"keep.MQ4"});
}
