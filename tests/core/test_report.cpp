#include <gtest/gtest.h>

#include "core/Report.h"

#include <cerrno>
#include <thread>

TEST(Report, GoesToStandardErrorWithoutACapture) {
    testing::internal::CaptureStderr();
    Report("Image size %dx%d is outside %s.\n", 0, 96, "the limits");
    errno = ENOENT;
    Report_Errno("Could not open image file");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Image size 0x96 is outside the limits.\n"
              "Could not open image file: No such file or directory\n");
}

TEST(Report, TheInnermostCaptureOfTheThreadTakesTheLines) {
    testing::internal::CaptureStderr();
    Report_Capture outer;
    Report("first\n");
    {
        Report_Capture inner;
        errno = EISDIR;
        Report_Errno("Could not open MQ4 file");
        EXPECT_EQ(inner.text, "Could not open MQ4 file: Is a directory\n");
    }
    Report("%s\n", std::string(3000, 'x').c_str());
    EXPECT_EQ(outer.text, "first\n" + std::string(3000, 'x') + "\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Report, EachThreadReportsToItsOwnCapture) {
    std::string texts[4];
    {
        std::jthread threads[4];
        for (int t = 0; t < 4; ++t) {
            threads[t] = std::jthread([t, &texts] {
                Report_Capture capture;
                for (int n = 0; n < 200; ++n) {
                    Report("%d", t);
                }
                texts[t] = capture.text;
            });
        }
    }
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(texts[t], std::string(200, static_cast<char>('0' + t)));
    }
}
