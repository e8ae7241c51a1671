// The table of bad files through the loader, the conversion and the MQ4
// reader in one process: the exact message, no picture, no large allocation,
// and a good file still converts exactly as before.

#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "image/Image_File.h"
#include "io/MQ4_File.h"
#include "support/Allocation_Tracker.h"
#include "support/Bad_Inputs.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <unistd.h>

namespace {

// No bad file may make the loader ask for more than this at once; the
// 128x96 picture itself needs well under a megabyte.
constexpr std::size_t allocation_bound = 8u << 20;

bool Same_Pictures(const Candidates& a, const Candidates& b) {
    for (int i = 0; i < candidate_count; ++i) {
        if (a[i].pixels != b[i].pixels || a[i].palette != b[i].palette) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(BadInputs, ImagesAreRefusedWithTheirMessageAndTheConverterStaysSound) {
    Temp_Dir dir;
    const DTImage image = Pattern_Image(128, 96, 8);
    const std::string good = dir.file("good.png");
    Write_RGB_PNG(good, 128, 96, image.pixels);
    const Candidates expected = Build_Candidates(image);

    for (const Bad_Input& input : Bad_Image_Inputs()) {
        SCOPED_TRACE(input.what);
        const std::string path = dir.file(input.file_name);
        Create_Bad_Input(input, path);
        Reset_Largest_Allocation();
        testing::internal::CaptureStderr();
        const std::optional<Candidates> refused = Load_Candidates(path);
        const std::size_t largest = Largest_Allocation();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), Expected_Message(input, path));
        EXPECT_FALSE(refused);
        EXPECT_LT(largest, allocation_bound);

        testing::internal::CaptureStderr();
        const std::optional<Candidates> converted = Load_Candidates(good);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_TRUE(converted);
        EXPECT_TRUE(Same_Pictures(*converted, expected));
    }
}

TEST(BadInputs, LyingInterlacedHeadersAreWeighedAgainstTheFile) {
    // A real interlaced picture passes; the same file claiming a size that
    // its bytes cannot hold is refused before its pixels are allocated.
    Test_PNG png;
    png.width = 300;
    png.height = 200;
    png.interlaced = true;
    png.samples.assign(300 * 200 * 3, 0); // compresses as well as anything can
    const std::vector<std::uint8_t> bytes = Encode_Test_PNG(png);
    testing::internal::CaptureStderr();
    const std::optional<DTImage> image = CreateImageFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels.size(), 60000u);

    // Nothing packs tighter than a one-bit image of one colour; it still
    // passes, as any file that really holds its pixels does.
    Test_PNG dense;
    dense.width = 2000;
    dense.height = 2000;
    dense.color_type = 0;
    dense.bit_depth = 1;
    dense.interlaced = true;
    dense.samples.assign(2000 * 2000, 1);
    const std::vector<std::uint8_t> dense_bytes = Encode_Test_PNG(dense);
    testing::internal::CaptureStderr();
    const std::optional<DTImage> white =
        CreateImageFromMemory(dense_bytes.data(), dense_bytes.size());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(white) << dense_bytes.size() << " bytes";
    EXPECT_EQ(white->pixels.back(), (DTPixel{255, 255, 255}));

    const std::vector<std::uint8_t> lying = With_PNG_Size(bytes, 16384, 16384);
    Reset_Largest_Allocation();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CreateImageFromMemory(lying.data(), lying.size()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "A PNG file of " + std::to_string(lying.size()) +
                  " bytes cannot hold a 16384x16384 image.\nFailed to read image content.\n");
    EXPECT_LT(Largest_Allocation(), allocation_bound);
}

TEST(BadInputs, Mq4FilesOfTheWrongLengthLeaveThePictureAlone) {
    Temp_Dir dir;
    MQ4_Document before;
    before.pixels.fill(7);
    before.palette.fill(Split_Color(0x808080));
    before.file_title = "kept.MQ4";

    for (const Bad_Input& input : Bad_MQ4_Inputs()) {
        SCOPED_TRACE(input.what);
        const std::string path = dir.file(input.file_name);
        Create_Bad_Input(input, path);
        MQ4_Document picture = before;
        testing::internal::CaptureStderr();
        const bool read = Read_MQ4_File(path, &picture);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), Expected_Message(input, path));
        EXPECT_EQ(read, input.accepted);
        if (input.accepted) {
            // Only the first 6657 bytes count.
            EXPECT_EQ(picture.pixels[0], 0x2);
            EXPECT_EQ(picture.pixels[12287], 0x3);
            EXPECT_EQ(Color_Word(picture.palette[0]), Decode_555(0x2323));
            EXPECT_EQ(picture.document_name, path);
        } else {
            EXPECT_EQ(picture.pixels, before.pixels);
            EXPECT_EQ(picture.palette, before.palette);
            EXPECT_EQ(picture.file_title, before.file_title);
            EXPECT_FALSE(picture.document_name);
        }
    }
}

namespace {

// The image read from a pipe that holds the bytes (fewer than fit in a pipe).
std::optional<DTImage> Load_From_Pipe(const std::vector<std::uint8_t>& bytes) {
    int fds[2];
    if (pipe(fds) != 0 ||
        write(fds[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        ADD_FAILURE() << "cannot fill the pipe";
        return std::nullopt;
    }
    close(fds[1]);
    std::FILE* stream = fdopen(fds[0], "rb");
    std::optional<DTImage> image = CreateImageFromStream(stream);
    std::fclose(stream);
    return image;
}

} // namespace

TEST(BadInputs, PipedFilesAreWeighedLikeOthers) {
    // A pipe's length is not known when the header is read: the file is
    // decoded straight from it, and weighed against its header once it
    // fails, so that every file is refused as it is from a regular file.
    Test_PNG png;
    png.width = 40;
    png.height = 30;
    png.samples.assign(40 * 30 * 3, 9);
    const std::vector<std::uint8_t> plain = Encode_Test_PNG(png);
    png.interlaced = true;
    const std::vector<std::uint8_t> interlaced = Encode_Test_PNG(png);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool too_short_for_its_header;
    };
    const Case cases[] = {
        {"plain", plain, false},
        {"interlaced", interlaced, false},
        {"lying", With_PNG_Size(plain, 16000, 9000), true},
        {"lying, interlaced", With_PNG_Size(interlaced, 16000, 9000), true},
        // Plausible, but its data ends early.
        {"lying a little", With_PNG_Size(plain, 40, 31), false},
        {"cut short", std::vector<std::uint8_t>(plain.begin(), plain.end() - 30), false},
    };
    for (const auto& [what, bytes, too_short_for_its_header] : cases) {
        SCOPED_TRACE(what);
        testing::internal::CaptureStderr();
        const std::optional<DTImage> expected = CreateImageFromMemory(bytes.data(), bytes.size());
        const std::string expected_messages = testing::internal::GetCapturedStderr();
        Reset_Largest_Allocation();
        testing::internal::CaptureStderr();
        const std::optional<DTImage> image = Load_From_Pipe(bytes);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), expected_messages);
        EXPECT_LT(Largest_Allocation(), allocation_bound);
        ASSERT_EQ(image.has_value(), expected.has_value());
        if (too_short_for_its_header) {
            EXPECT_EQ(expected_messages, "A PNG file of " + std::to_string(bytes.size()) +
                                             " bytes cannot hold a 16000x9000 image.\n"
                                             "Failed to read image content.\n");
        }
        if (image) {
            EXPECT_EQ(image->pixels, std::vector<DTPixel>(1200, {9, 9, 9}));
        }
    }

    // An endless device is refused by its first bytes, not read to its end.
    std::FILE* zeros = std::fopen("/dev/zero", "rb");
    ASSERT_NE(zeros, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CreateImageFromStream(zeros));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Image file of unrecognized format.\n");
    std::fclose(zeros);
}
