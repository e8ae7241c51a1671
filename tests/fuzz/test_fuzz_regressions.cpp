// Every input that once broke a fuzz target, kept in
// tests/fuzz_regressions/TARGET/, run through the target's checks again.

#include <gtest/gtest.h>

#include "fuzz/Fuzz_Checks.h"
#include "support/Temp_Dir.h"

#include <filesystem>

namespace {

using Check = std::string (*)(const std::uint8_t*, std::size_t);

// Runs every kept file of the target; gives how many there were.
int Run_Reproducers(const std::string& target, Check check) {
    const std::filesystem::path folder =
        std::filesystem::path(ZEMBRIX_SOURCE_DIR) / "tests/fuzz_regressions" / target;
    int count = 0;
    if (!std::filesystem::is_directory(folder)) {
        return count;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        const std::vector<std::uint8_t> bytes = Read_Bytes(entry.path());
        testing::internal::CaptureStderr();
        const std::string complaint = check(bytes.data(), bytes.size());
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(complaint, "");
        ++count;
    }
    return count;
}

} // namespace

TEST(FuzzRegressions, ImageLoader) {
    Run_Reproducers("image_loader", Check_Image_Loader);
}

TEST(FuzzRegressions, Mq4Reader) {
    Run_Reproducers("mq4_reader", Check_MQ4_Reader);
}

TEST(FuzzRegressions, Conversion) {
    Run_Reproducers("conversion", Check_Conversion);
}

TEST(FuzzRegressions, PhotoInput) {
    Run_Reproducers("photo_input", Check_Photo_Input);
}

TEST(FuzzRegressions, FormatInputs) {
    for (const char* target : {"webp_input", "heif_input", "gif_input", "tiff_input"}) {
        Run_Reproducers(target, Check_Photo_Input);
    }
}

TEST(FuzzRegressions, ColorProfile) {
    Run_Reproducers("color_profile", Check_Color_Profile);
}

// The checks accept what the program handles correctly.
TEST(FuzzRegressions, ChecksPassSoundInputs) {
    std::vector<std::uint8_t> mq4(6657, 0x35);
    EXPECT_EQ(Check_MQ4_Reader(mq4.data(), mq4.size()), "");
    EXPECT_EQ(Check_MQ4_Reader(mq4.data(), 6656), "");
    EXPECT_EQ(Check_Image_Loader(mq4.data(), mq4.size()), "");
    const std::string ppm = "P6 128 96 255\n" + std::string(128 * 96 * 3, '\x41');
    const auto* ppm_bytes = reinterpret_cast<const std::uint8_t*>(ppm.data());
    testing::internal::CaptureStderr();
    EXPECT_EQ(Check_Conversion(ppm_bytes, ppm.size()), "");
    EXPECT_EQ(Check_Image_Loader(ppm_bytes, ppm.size()), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
