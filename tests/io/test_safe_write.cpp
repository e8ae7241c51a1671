#include <gtest/gtest.h>

#include "io/MQ4_File.h"
#include "io/Safe_Write.h"
#include "support/Temp_Dir.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Faults_Reset {
    ~Faults_Reset() { write_faults = Write_Faults{}; }
};

MQ4_Document Picture_Of(std::uint8_t index) {
    MQ4_Document doc;
    doc.pixels.fill(index);
    return doc;
}

mode_t Mode_Of(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

} // namespace

TEST(SafeWrite, FailuresLeaveTheOldFileAndNoTemporary) {
    struct Case {
        const char* name;
        Write_Faults faults;
        const char* reason;
    };
    const Case cases[] = {
        {"write fails at once", {ENOSPC, 0, 0, 0, 0}, "No space left on device"},
        {"write fails half-way", {EIO, 3000, 0, 0, 0}, "Input/output error"},
        {"fsync fails", {0, -1, EIO, 0, 0}, "Input/output error"},
        {"close fails", {0, -1, 0, ENOSPC, 0}, "No space left on device"},
        {"rename fails", {0, -1, 0, 0, EXDEV}, "Invalid cross-device link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Faults_Reset reset;
        Temp_Dir dir;
        const std::string path = dir.file("keep.MQ4");
        ASSERT_TRUE(Write_MQ4_File(path, Picture_Of(5)));
        const std::vector<std::uint8_t> before = Read_Bytes(path);

        write_faults = c.faults;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(Write_MQ4_File(path, Picture_Of(9)));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Could not save " + path + ": " + c.reason + "\n");
        EXPECT_EQ(Read_Bytes(path), before);
        EXPECT_EQ(List_Dir(dir.path), std::vector<std::string>{"keep.MQ4"});
    }
}

TEST(SafeWrite, TheNewBytesReachTheDiskBeforeTheyTakeTheName) {
    Temp_Dir dir;
    const Faults_Reset reset;
    std::vector<std::string> calls;
    write_faults.calls = &calls;
    const std::uint8_t bytes[] = {1, 2, 3};
    std::string reason;
    ASSERT_TRUE(Write_File_Safely(dir.file("a.bin"), bytes, sizeof bytes, &reason)) << reason;
    EXPECT_EQ(calls, (std::vector<std::string>{"write", "fsync", "close", "rename"}));
}

TEST(SafeWrite, MissingFolderIsReported) {
    Temp_Dir dir;
    const std::string path = dir.file("no/such/folder/x.MQ4");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Write_MQ4_File(path, Picture_Of(1)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not save " + path + ": No such file or directory\n");
    EXPECT_TRUE(List_Dir(dir.path).empty());
}

TEST(SafeWrite, NewFileGetsUmaskModeAndReplacedFileKeepsItsMode) {
    Temp_Dir dir;
    const mode_t old_mask = umask(022);
    ASSERT_TRUE(Write_MQ4_File(dir.file("new.MQ4"), Picture_Of(1)));
    umask(old_mask);
    EXPECT_EQ(Mode_Of(dir.file("new.MQ4")), 0644u);

    chmod(dir.file("new.MQ4").c_str(), 0600);
    ASSERT_TRUE(Write_MQ4_File(dir.file("new.MQ4"), Picture_Of(2)));
    EXPECT_EQ(Mode_Of(dir.file("new.MQ4")), 0600u);
    EXPECT_EQ(Read_Bytes(dir.file("new.MQ4"))[513], 0x22);
}

TEST(SafeWrite, SymbolicLinkStaysAndItsTargetIsReplaced) {
    Temp_Dir dir;
    ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
    ASSERT_TRUE(Write_MQ4_File(dir.file("real/pic.MQ4"), Picture_Of(1)));
    ASSERT_EQ(symlink("real/pic.MQ4", dir.file("link.MQ4").c_str()), 0);

    ASSERT_TRUE(Write_MQ4_File(dir.file("link.MQ4"), Picture_Of(3)));
    struct stat info {};
    ASSERT_EQ(lstat(dir.file("link.MQ4").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Read_Bytes(dir.file("real/pic.MQ4"))[513], 0x33);
    EXPECT_EQ(List_Dir(dir.file("real")), std::vector<std::string>{"pic.MQ4"});
}

// A folder that takes no new file (a temporary file there fails with EACCES
// or EPERM) still lets the user save over a file there that may be written.
// Other reasons to fail keep the old file.
TEST(SafeWrite, FolderWithoutRoomForATemporaryFileIsWrittenInPlace) {
    enum Outcome { written, refused_kept, refused };
    struct Case {
        const char* name;
        Write_Faults faults;
        std::size_t old_size; // 0: no file there
        Outcome outcome;
        const char* reason;
    };
    const Case cases[] = {
        {"read-only folder", {0, -1, 0, 0, 0, EACCES}, mq4_file_size, written, ""},
        {"not permitted", {0, -1, 0, 0, 0, EPERM}, mq4_file_size, written, ""},
        {"a longer old file is cut", {0, -1, 0, 0, 0, EACCES}, 10000, written, ""},
        {"nothing to write over", {0, -1, 0, 0, 0, EACCES}, 0, refused, "Permission denied"},
        {"write fails", {EIO, 3000, 0, 0, 0, EACCES}, mq4_file_size, refused, "Input/output error"},
        {"fsync fails", {0, -1, EIO, 0, 0, EACCES}, mq4_file_size, refused, "Input/output error"},
        {"close fails",
         {0, -1, 0, ENOSPC, 0, EACCES},
         mq4_file_size,
         refused,
         "No space left on device"},
        {"disk full",
         {0, -1, 0, 0, 0, ENOSPC},
         mq4_file_size,
         refused_kept,
         "No space left on device"},
        {"read-only file system",
         {0, -1, 0, 0, 0, EROFS},
         mq4_file_size,
         refused_kept,
         "Read-only file system"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Faults_Reset reset;
        Temp_Dir dir;
        const std::string path = dir.file("pic.MQ4");
        const std::vector<std::uint8_t> old(c.old_size, 0xAB);
        struct stat before {};
        if (c.old_size > 0) {
            Write_Bytes(path, old);
            chmod(path.c_str(), 0640);
            stat(path.c_str(), &before);
        }
        write_faults = c.faults;
        const MQ4_Document picture = Picture_Of(7);
        testing::internal::CaptureStderr();
        const bool saved = Write_MQ4_File(path, picture);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(saved, c.outcome == written);
        if (c.outcome == written) {
            EXPECT_EQ(said, "");
            const MQ4_Bytes expected = Encode_MQ4(picture);
            EXPECT_EQ(Read_Bytes(path),
                      std::vector<std::uint8_t>(expected.begin(), expected.end()));
            struct stat after {};
            stat(path.c_str(), &after);
            EXPECT_EQ(after.st_ino, before.st_ino) << "not written in place";
            EXPECT_EQ(Mode_Of(path), 0640u);
        } else {
            EXPECT_EQ(said, "Could not save " + path + ": " + c.reason + "\n");
        }
        if (c.outcome == refused_kept) {
            EXPECT_EQ(Read_Bytes(path), old);
        }
        EXPECT_EQ(List_Dir(dir.path), c.old_size > 0 ? std::vector<std::string>{"pic.MQ4"}
                                                     : std::vector<std::string>{});
    }
}
