// A real full disk: zembrix-convert saving over a picture on a tiny tmpfs,
// mounted in a private mount namespace (skipped where that is not allowed).

#include <gtest/gtest.h>

#include "io/MQ4_File.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"

namespace {

// Mounts a tmpfs of 12 KiB on $1 (room for the old picture's two pages and
// one more), copies the old picture $2 there, saves $4 over it with the
// converter $3 and reports the status, whether the old file is unchanged and
// what is in the folder. The converter's standard error goes to $5.
const char* const disk_full_script = R"(set -e
mount -t tmpfs -o size=12k tmpfs "$1"
cp "$2" "$1/keep.MQ4"
status=0
"$3" "$4" "$1/keep.MQ4" 2>"$5" || status=$?
echo "status $status"
cmp -s "$2" "$1/keep.MQ4" && echo unchanged
ls -A "$1"
)";

bool Can_Mount_Privately(const std::string& folder) {
    return Run_Command({"unshare", "--mount", "sh", "-c", "mount -t tmpfs -o size=4k tmpfs \"$1\"",
                        "sh", folder}) == 0;
}

std::vector<std::uint8_t> Picture_File(std::uint8_t byte) {
    MQ4_Document picture;
    picture.pixels.fill(byte);
    const MQ4_Bytes bytes = Encode_MQ4(picture);
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(ConverterDiskFull, TheOldPictureSurvivesAndNoTemporaryIsLeft) {
    Temp_Dir dir;
    const std::string mount_point = dir.file("disk");
    Run_Command({"mkdir", mount_point});
    if (!Can_Mount_Privately(mount_point)) {
        GTEST_SKIP() << "no private mounts here";
    }
    Write_Bytes(dir.file("old.MQ4"), Picture_File(0x12));
    Write_Bytes(dir.file("new.MQ4"), Picture_File(0x34));
    std::string report;
    const int status = Run_Command(
        {"unshare", "--mount", "sh", "-c", disk_full_script, "sh", mount_point, dir.file("old.MQ4"),
         Built_Program("zembrix-convert"), dir.file("new.MQ4"), dir.file("err.txt")},
        &report);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(report, "status 1\nunchanged\nkeep.MQ4\n");
    EXPECT_EQ(Read_Text(dir.file("err.txt")),
              "Could not save " + mount_point + "/keep.MQ4: No space left on device\n");
}
