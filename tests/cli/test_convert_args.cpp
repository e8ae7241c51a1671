#include <gtest/gtest.h>

#include "cli/Convert_Args.h"
#include "cli/Thumbnail.h"
#include "io/Refined_Conversion.h"

namespace {

Convert_Args Parse(std::vector<std::string> args) {
    return Parse_Convert_Args(args);
}

void Expect_Usage_Error(std::vector<std::string> args, const std::string& error) {
    const Convert_Args parsed = Parse(args);
    EXPECT_EQ(parsed.action, Convert_Action::usage_error);
    EXPECT_EQ(parsed.error, error);
}

} // namespace

TEST(ConvertArgs, DefaultsToFloydSteinbergAtScaleOne) {
    const Convert_Args args = Parse({"in.png", "out.MQ4"});
    EXPECT_EQ(args.action, Convert_Action::run);
    EXPECT_EQ(args.slot, 0);
    EXPECT_EQ(args.scale, 1);
    EXPECT_EQ(args.input, "in.png");
    EXPECT_EQ(args.output, "out.MQ4");
}

TEST(ConvertArgs, MethodsNameTheImportSlots) {
    EXPECT_EQ(Parse({"--method", "floyd-steinberg", "a", "b.mq4"}).slot, 0);
    EXPECT_EQ(Parse({"--method", "diffusion", "a", "b.mq4"}).slot, 1);
    EXPECT_EQ(Parse({"a", "--method=octree", "b.mq4"}).slot, 2);
    EXPECT_EQ(Parse({"a", "b.mq4", "--method", "closest"}).slot, 3);
    Expect_Usage_Error({"--method", "Closest", "a", "b.mq4"}, "unknown method 'Closest'");
    Expect_Usage_Error({"a", "b.mq4", "--method"}, "--method needs a value");
}

TEST(ConvertArgs, ScaleIsAWholeNumberFrom1To16) {
    EXPECT_EQ(Parse({"--scale", "16", "a", "b.png"}).scale, 16);
    EXPECT_EQ(Parse({"--scale=1", "a", "b.png"}).scale, 1);
    for (const std::string bad : {"0", "17", "-1", "2x", "", " 3", "1e1"}) {
        Expect_Usage_Error({"--scale", bad, "a", "b.png"},
                           "scale must be a whole number from 1 to 16, not '" + bad + "'");
    }
}

TEST(ConvertArgs, OutputMustBeMq4OrPngInAnyCase) {
    EXPECT_EQ(Parse({"a.png", "b.Mq4"}).action, Convert_Action::run);
    EXPECT_EQ(Parse({"a.png", "b.PNG"}).action, Convert_Action::run);
    Expect_Usage_Error({"a.png", "b.jpg"}, "OUTPUT must end in .MQ4 or .png");
    Expect_Usage_Error({"a.png", ".png"}, "OUTPUT must end in .MQ4 or .png");
    Expect_Usage_Error({"a.png", "mq4"}, "OUTPUT must end in .MQ4 or .png");
}

TEST(ConvertArgs, OperandsOptionsAndHelp) {
    Expect_Usage_Error({}, "expected INPUT and OUTPUT");
    Expect_Usage_Error({"a.png"}, "expected INPUT and OUTPUT");
    Expect_Usage_Error({"a.png", "b.png", "c.png"}, "expected INPUT and OUTPUT");
    Expect_Usage_Error({"--dither", "a.png", "b.png"}, "unknown option '--dither'");
    EXPECT_EQ(Parse({"a.png", "--help", "nonsense"}).action, Convert_Action::help);
    EXPECT_EQ(Parse({"--version"}).action, Convert_Action::version);
    // After "--" everything is a file name; "-" alone is one too.
    const Convert_Args dashed = Parse({"--", "--odd.png", "-"});
    EXPECT_EQ(dashed.action, Convert_Action::usage_error);
    const Convert_Args named = Parse({"--", "--odd.png", "-x.png"});
    EXPECT_EQ(named.action, Convert_Action::run);
    EXPECT_EQ(named.input, "--odd.png");
    EXPECT_EQ(named.output, "-x.png");
}

TEST(ConvertArgs, ExtensionTestIgnoresCase) {
    EXPECT_TRUE(Has_Extension("pic.MQ4", ".MQ4"));
    EXPECT_TRUE(Has_Extension("/a/b/pic.mq4", ".MQ4"));
    EXPECT_FALSE(Has_Extension("pic.MQ4.bak", ".MQ4"));
    EXPECT_FALSE(Has_Extension("picMQ4", ".MQ4"));
}

TEST(ConvertArgs, RefinedMethodsFollowTheImportSlots) {
    for (int method = 0; method < method_count; ++method) {
        EXPECT_EQ(Parse({"--method", method_names[method], "a", "b.mq4"}).slot, method)
            << method_names[method];
    }
    EXPECT_EQ(Parse({"--method=refined-dither", "a", "b.png"}).slot, method_refined_dither);
    Expect_Usage_Error({"--method", "refined-", "a", "b.mq4"}, "unknown method 'refined-'");
}

TEST(ConvertArgs, CompareTakesOneInputAndNoOutput) {
    const Convert_Args args = Parse({"--compare", "photo.png"});
    EXPECT_EQ(args.action, Convert_Action::compare);
    EXPECT_EQ(args.input, "photo.png");
    EXPECT_EQ(Parse({"photo.png", "--compare"}).action, Convert_Action::compare);
    Expect_Usage_Error({"--compare"}, "--compare takes one INPUT");
    Expect_Usage_Error({"--compare", "a.png", "b.MQ4"}, "--compare takes one INPUT");
    EXPECT_EQ(Parse({"--compare", "--help"}).action, Convert_Action::help);
    Expect_Usage_Error({"--compare", "-o", "out", "a.png"}, "--compare takes one INPUT");
    Expect_Usage_Error({"--compare", "--format", "png", "a.png"}, "--compare takes one INPUT");
}

TEST(ConvertArgs, OutputFolderChoosesTheBatchForm) {
    const Convert_Args args = Parse({"-o", "out", "--method=octree", "a.png", "b.ppm", "c.MQ4"});
    EXPECT_EQ(args.action, Convert_Action::run);
    EXPECT_TRUE(Is_Batch(args));
    EXPECT_EQ(args.output_dir, "out");
    EXPECT_EQ(args.inputs, (std::vector<std::string>{"a.png", "b.ppm", "c.MQ4"}));
    EXPECT_EQ(args.format, Output_Format::mq4);
    EXPECT_EQ(args.slot, 2);
    // A single input is a batch too, whatever its name looks like.
    const Convert_Args one = Parse({"a.png", "--output-dir=pics", "--format", "png"});
    EXPECT_TRUE(Is_Batch(one));
    EXPECT_EQ(one.inputs, std::vector<std::string>{"a.png"});
    EXPECT_EQ(one.format, Output_Format::png);
    EXPECT_EQ(Parse({"--format=PNG", "-o", "d", "x"}).format, Output_Format::png);
    EXPECT_FALSE(Is_Batch(Parse({"a.png", "b.MQ4"})));
}

TEST(ConvertArgs, BatchUsageErrors) {
    Expect_Usage_Error({"-o", "out"}, "expected at least one INPUT");
    Expect_Usage_Error({"a.png", "-o"}, "-o needs a value");
    Expect_Usage_Error({"-o", "", "a.png"}, "OUTDIR must not be empty");
    Expect_Usage_Error({"--format", "gif", "-o", "out", "a.png"},
                       "unknown format 'gif' (mq4 or png)");
    Expect_Usage_Error({"--format", "png", "a.png", "b.png"}, "--format goes with -o OUTDIR");
}

TEST(ConvertArgs, ThumbnailTakesASizeAndTwoFilesOfAnyName) {
    const Convert_Args args = Parse({"--thumbnail", "256", "/home/a/pic.dat", "/tmp/th-1"});
    EXPECT_EQ(args.action, Convert_Action::thumbnail);
    EXPECT_EQ(args.thumbnail_size, 256);
    EXPECT_EQ(args.input, "/home/a/pic.dat");
    EXPECT_EQ(args.output, "/tmp/th-1");
    EXPECT_EQ(Parse({"--thumbnail=1", "a", "b"}).thumbnail_size, 1);
    for (const std::string bad : {"0", "-128", "12px", "", "99999999999"}) {
        Expect_Usage_Error({"--thumbnail", bad, "a", "b"},
                           "thumbnail SIZE must be a whole number of pixels, not '" + bad + "'");
    }
    const std::vector<std::string> wrong_forms[] = {
        {"--thumbnail", "128", "a"},
        {"--thumbnail", "128", "a", "b", "c"},
        {"--thumbnail", "128", "-o", "out", "a", "b"},
        {"--thumbnail", "128", "--compare", "a", "b"},
    };
    for (const std::vector<std::string>& wrong : wrong_forms) {
        Expect_Usage_Error(wrong, "--thumbnail takes SIZE, INPUT and OUTPUT");
    }
}

TEST(ConvertArgs, ThumbnailScaleIsTheLargestWholeNumberThatFits) {
    const std::pair<int, int> size_scale[] = {
        {1, 1},   {96, 1},  {127, 1},  {128, 1},   {255, 1},   {256, 2},    {383, 2},
        {384, 3}, {512, 4}, {1024, 8}, {2047, 15}, {2048, 16}, {100000, 16}};
    for (const auto& [size, scale] : size_scale) {
        EXPECT_EQ(Thumbnail_Scale(size), scale) << size;
    }
}
