// zembrix-convert -o OUTDIR over a folder of good and bad files.

#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "io/MQ4_File.h"
#include "support/Bad_Inputs.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(start, text.size()) << "unterminated last line";
    return lines;
}

// A folder of inputs as a user might have it: three good images in the three
// input kinds, one of them named with two dots, and three that cannot be read.
struct Batch_Test : testing::Test {
    Temp_Dir in;
    Temp_Dir out;
    Temp_Dir single;
    std::vector<std::string> good;
    std::vector<std::string> bad;

    void SetUp() override {
        Write_RGB_PNG(in.file("boat.png"), 128, 96, Pattern_Image(128, 96, 3).pixels);
        Write_Bytes(in.file("sea.side.ppm"), PPM_Bytes(128, 96, Pattern_Image(128, 96, 4).pixels));
        Octree_Workspace workspace;
        MQ4_Document picture = Build_Candidates(Pattern_Image(128, 96, 5), workspace)[2];
        ASSERT_TRUE(Write_MQ4_File(in.file("old.MQ4"), picture));
        good = {in.file("boat.png"), in.file("sea.side.ppm"), in.file("old.MQ4")};
        Write_Text(in.file("notes.png"), "not an image at all");
        Write_RGB_PNG(in.file("tiny.png"), 10, 10, std::vector<DTPixel>(100, {9, 9, 9}));
        Write_Text(in.file("cut.MQ4"), "too short");
        bad = {in.file("notes.png"), in.file("tiny.png"), in.file("cut.MQ4")};
    }

    std::vector<std::string> All_Inputs() const {
        return {good[0], bad[0], good[1], bad[1], good[2], bad[2]};
    }

    // What the single-file form writes for the input.
    std::vector<std::uint8_t> Single_Output(const std::vector<std::string>& options,
                                            const std::string& input, const std::string& name) {
        std::vector<std::string> args = options;
        args.push_back(input);
        args.push_back(single.file(name));
        const Converter_Result result = Run_Converter(args);
        EXPECT_EQ(result.status, 0) << result.err;
        return Read_Bytes(single.file(name));
    }
};

} // namespace

TEST_F(Batch_Test, GoesOnPastFailuresAndSumsUp) {
    const std::vector<std::string> before = List_Dir(in.path);
    const std::vector<std::uint8_t> old_bytes = Read_Bytes(in.file("old.MQ4"));
    std::vector<std::string> args = {"--method", "diffusion", "-o", out.path};
    for (const std::string& input : All_Inputs()) {
        args.push_back(input);
    }
    const Converter_Result result = Run_Converter(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "converted 3 of 6\n");
    const std::vector<std::string> errors = Lines(result.err);
    ASSERT_EQ(errors.size(), 3u) << result.err;
    EXPECT_EQ(errors[0], "zembrix-convert: " + bad[0] + ": Image file of unrecognized format.");
    EXPECT_EQ(errors[1], "zembrix-convert: " + bad[1] +
                             ": Image 10x10 is smaller than 128x96 (100 of 12288 pixels).");
    EXPECT_EQ(errors[2].rfind("zembrix-convert: " + bad[2] + ": ", 0), 0u) << errors[2];

    EXPECT_EQ(List_Dir(out.path), (std::vector<std::string>{"boat.MQ4", "old.MQ4", "sea.MQ4"}));
    EXPECT_EQ(Read_Bytes(out.file("boat.MQ4")),
              Single_Output({"--method", "diffusion"}, good[0], "boat.MQ4"));
    EXPECT_EQ(Read_Bytes(out.file("sea.MQ4")),
              Single_Output({"--method", "diffusion"}, good[1], "sea.MQ4"));
    EXPECT_EQ(Read_Bytes(out.file("old.MQ4")), old_bytes);
    EXPECT_EQ(List_Dir(in.path), before);
    EXPECT_EQ(Read_Bytes(in.file("old.MQ4")), old_bytes);
}

TEST_F(Batch_Test, AllGoodExitsWithZero) {
    const Converter_Result result = Run_Converter({"-o", out.path + "/", good[0], good[1]});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "converted 2 of 2\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Read_Bytes(out.file("boat.MQ4")), Single_Output({}, good[0], "boat.MQ4"));
}

TEST_F(Batch_Test, PngFormatWritesScaledPngs) {
    const Converter_Result result =
        Run_Converter({"--format", "png", "--scale", "2", "--method", "closest", "-o", out.path,
                       good[0], good[1], good[2]});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "converted 3 of 3\n");
    EXPECT_EQ(List_Dir(out.path), (std::vector<std::string>{"boat.png", "old.png", "sea.png"}));
    const std::vector<std::string> options = {"--method", "closest", "--scale", "2"};
    EXPECT_EQ(Read_Bytes(out.file("boat.png")), Single_Output(options, good[0], "boat.png"));
    EXPECT_EQ(Read_Bytes(out.file("sea.png")), Single_Output(options, good[1], "sea.png"));
    EXPECT_EQ(Read_Bytes(out.file("old.png")), Single_Output(options, good[2], "old.png"));
}

TEST_F(Batch_Test, DuplicateNamesRefuseTheWholeBatch) {
    Write_RGB_PNG(out.file("boat.png"), 128, 96, Pattern_Image(128, 96, 6).pixels);
    const Converter_Result result =
        Run_Converter({"-o", out.path, good[0], good[1], out.file("boat.png")});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "zembrix-convert: '" + good[0] + "' and '" + out.file("boat.png") +
                              "' would both be written to '" + out.file("boat.MQ4") +
                              "'; nothing was converted\n");
    EXPECT_EQ(List_Dir(out.path), std::vector<std::string>{"boat.png"});
}

TEST_F(Batch_Test, NeverOverwritesAnInput) {
    const std::vector<std::uint8_t> old_bytes = Read_Bytes(in.file("old.MQ4"));
    const std::vector<std::string> before = List_Dir(in.path);
    // Into the inputs' own folder, named as given, through "./" and through a link.
    ASSERT_EQ(symlink(in.path.c_str(), out.file("link").c_str()), 0);
    for (const std::string& folder : {in.path, in.path + "/./", out.file("link")}) {
        SCOPED_TRACE(folder);
        const Converter_Result result = Run_Converter({"-o", folder, good[0], good[2]});
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("and would be overwritten; nothing was converted"),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(List_Dir(in.path), before);
        EXPECT_EQ(Read_Bytes(in.file("old.MQ4")), old_bytes);
    }
    // An output name that is a link to an input.
    ASSERT_EQ(symlink(in.file("old.MQ4").c_str(), out.file("boat.MQ4").c_str()), 0);
    const Converter_Result result = Run_Converter({"-o", out.path, good[0], good[2]});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(Read_Bytes(in.file("old.MQ4")), old_bytes);
}

TEST_F(Batch_Test, UsageErrorsAndRefusals) {
    Converter_Result result = Run_Converter({"-o", out.path});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "zembrix-convert: expected at least one INPUT\n"
                          "Try 'zembrix-convert --help' for more information.\n");
    result = Run_Converter({"-o", out.file("missing"), good[0]});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "zembrix-convert: cannot write into '" + out.file("missing") +
                              "': No such file or directory; nothing was converted\n");
    EXPECT_EQ(List_Dir(out.path), std::vector<std::string>{});
}

TEST(BatchThreads, GiveTheSameFilesMessagesAndSummaryAsOne) {
    Temp_Dir in;
    std::vector<std::string> good;
    std::vector<std::string> bad_paths;
    std::vector<std::string> expected_errors;
    const std::vector<Bad_Input> bad = Bad_Image_Inputs();
    for (std::size_t i = 0; i < bad.size() + 6; ++i) {
        good.push_back(in.file("good-" + std::to_string(i) + (i % 3 ? ".png" : ".ppm")));
        const DTImage image =
            Pattern_Image(128 + static_cast<int>(i), 96, static_cast<unsigned>(i));
        if (i % 3) {
            Write_RGB_PNG(good.back(), image.width, image.height, image.pixels);
        } else {
            Write_Bytes(good.back(), PPM_Bytes(image.width, image.height, image.pixels));
        }
        if (i < bad.size()) {
            bad_paths.push_back(in.file(bad[i].file_name));
            Create_Bad_Input(bad[i], bad_paths.back());
            // The message in one line.
            std::string reason = Expected_Message(bad[i], bad_paths.back());
            reason.pop_back();
            for (std::size_t at; (at = reason.find('\n')) != std::string::npos;) {
                reason.replace(at, 1, "; ");
            }
            expected_errors.push_back("zembrix-convert: " + bad_paths.back() + ": " + reason);
        }
    }
    // Each method alone, and a palette shared by the whole batch, whose
    // inputs are read ahead on the threads (fewer good ones: the fit over
    // all of them, and the perceptual method most of all, are slow under the
    // sanitizers).
    const std::pair<std::vector<std::string>, std::size_t> option_sets[] = {
        {{"--method", "diffusion"}, good.size()},
        {{"--shared-palette", "--method", "refined-dither", "--write-palette"}, 4},
        {{"--shared-palette", "--method", "perceptual", "--write-palette"}, 1},
    };
    for (const auto& [options, good_count] : option_sets) {
        const bool shared = options[0] == "--shared-palette";
        SCOPED_TRACE(options[0]);
        // Good and bad files in turn, so that the threads finish out of order.
        std::vector<std::string> inputs;
        for (std::size_t i = 0; i < std::max(good_count, bad_paths.size()); ++i) {
            if (i < good_count) {
                inputs.push_back(good[i]);
            }
            if (i < bad_paths.size()) {
                inputs.push_back(bad_paths[i]);
            }
        }
        std::vector<std::string> folders;
        std::vector<Converter_Result> results;
        Temp_Dir out;
        for (const char* jobs : {"-j1", "-j4", "-j2"}) {
            SCOPED_TRACE(jobs);
            folders.push_back(out.file(jobs));
            ASSERT_EQ(mkdir(folders.back().c_str(), 0755), 0);
            std::vector<std::string> args = options;
            if (shared) {
                args.push_back(folders.back() + "/series.gpl");
            }
            args.insert(args.end(), {jobs, "-o", folders.back()});
            args.insert(args.end(), inputs.begin(), inputs.end());
            results.push_back(Run_Converter(args));
            EXPECT_EQ(results.back().status, 1);
            EXPECT_EQ(results.back().out, "converted " + std::to_string(good_count) + " of " +
                                              std::to_string(inputs.size()) + "\n");
            EXPECT_EQ(Lines(results.back().err), expected_errors);
        }
        const std::vector<std::string> names = List_Dir(folders[0]);
        EXPECT_EQ(names.size(), good_count + (shared ? 1 : 0));
        for (std::size_t run = 1; run < folders.size(); ++run) {
            EXPECT_EQ(results[run].err, results[0].err);
            ASSERT_EQ(List_Dir(folders[run]), names);
            for (const std::string& name : names) {
                EXPECT_EQ(Read_Bytes(folders[run] + "/" + name),
                          Read_Bytes(folders[0] + "/" + name))
                    << name;
            }
        }
        if (shared) {
            // One palette for all: the palette words of every picture.
            const std::vector<std::uint8_t> first = Read_Bytes(folders[0] + "/" + names[0]);
            for (const std::string& name : names) {
                if (name != "series.gpl") {
                    const std::vector<std::uint8_t> bytes = Read_Bytes(folders[0] + "/" + name);
                    EXPECT_TRUE(
                        std::equal(bytes.begin() + 65, bytes.begin() + 97, first.begin() + 65))
                        << name;
                }
            }
        }
    }
}

TEST(BatchThreads, ASlowFailureIsToldBeforeALaterFastOne) {
    // A large PPM cut short fails only once all its rows are read; the missing
    // file after it fails at once, on the other thread.
    Temp_Dir in;
    Temp_Dir out;
    const int side = 3000;
    std::vector<std::uint8_t> cut = PPM_Bytes(side, side, std::vector<DTPixel>(side * side));
    cut.resize(cut.size() - 3 * side);
    const std::string slow = in.file("large.ppm");
    Write_Bytes(slow, cut);
    const std::string fast = in.file("missing.png");
    std::vector<std::string> errors;
    for (const char* jobs : {"-j1", "-j2"}) {
        const Converter_Result result = Run_Converter({jobs, "-o", out.path, slow, fast});
        EXPECT_EQ(result.status, 1);
        errors.push_back(result.err);
    }
    const std::vector<std::string> lines = Lines(errors[0]);
    ASSERT_EQ(lines.size(), 2u) << errors[0];
    EXPECT_EQ(lines[0].rfind("zembrix-convert: " + slow + ": ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("zembrix-convert: " + fast + ": ", 0), 0u) << lines[1];
    EXPECT_EQ(errors[1], errors[0]);
}
