#include <gtest/gtest.h>

#include "cli/Convert_Batch.h"
#include "core/Picture_Rules.h"
#include "support/Temp_Dir.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

Convert_Settings Batch(const std::string& folder, std::vector<std::string> inputs,
                       Output_Format format = Output_Format::mq4) {
    Convert_Settings args;
    args.output_dir = folder;
    args.inputs = std::move(inputs);
    args.format = format;
    return args;
}

} // namespace

TEST(ConvertBatch, OutputsAreNamedLikeWindowTitles) {
    for (const std::string input : {"/pics/photo.png", "my.cat.png", "art.MQ4", "photo", ".hidden",
                                    "a/.pic.png", "x/y.PPM"}) {
        SCOPED_TRACE(input);
        const std::string title = Title_From_Path(input);
        EXPECT_EQ(Batch_Output_Name(input, Output_Format::mq4), title);
        EXPECT_EQ(Batch_Output_Name(input, Output_Format::png),
                  title.substr(0, title.size() - 4) + ".png");
    }
    EXPECT_EQ(Batch_Output_Name("/pics/my.cat.png", Output_Format::png), "my.png");
}

TEST(ConvertBatch, PlanPutsEveryOutputInTheFolder) {
    Temp_Dir dir;
    Batch_Plan plan = Plan_Batch(Batch(dir.path, {"a/one.png", "two.x.ppm", "/abs/three.MQ4"}));
    EXPECT_EQ(plan.refusal, "");
    ASSERT_EQ(plan.jobs.size(), 3u);
    EXPECT_EQ(plan.jobs[0].input, "a/one.png");
    EXPECT_EQ(plan.jobs[0].output, dir.file("one.MQ4"));
    EXPECT_EQ(plan.jobs[1].output, dir.file("two.MQ4"));
    EXPECT_EQ(plan.jobs[2].output, dir.file("three.MQ4"));
    plan = Plan_Batch(Batch(dir.path + "/", {"one.png"}, Output_Format::png));
    ASSERT_EQ(plan.jobs.size(), 1u);
    EXPECT_EQ(plan.jobs[0].output, dir.file("one.png"));
}

// The paths in the expected messages are named strings, not calls: GCC 12 at
// -O3 reports a false -Wrestrict overlap where a short literal is put in front
// of a temporary string ("'" + dir.file(...)).
TEST(ConvertBatch, FolderMustExistAndBeAFolder) {
    Temp_Dir dir;
    const std::string missing = dir.file("none");
    Batch_Plan plan = Plan_Batch(Batch(missing, {"a.png"}));
    EXPECT_EQ(plan.refusal, "cannot write into '" + missing + "': No such file or directory");
    EXPECT_TRUE(plan.jobs.empty());
    const std::string file = dir.file("file");
    Write_Text(file, "x");
    EXPECT_EQ(Plan_Batch(Batch(file, {"a.png"})).refusal, "'" + file + "' is not a folder");
    EXPECT_EQ(Plan_Batch(Batch(dir.path, {"a.png", "pics/"})).refusal, "'pics/' names no file");
}

TEST(ConvertBatch, TwoInputsForOneOutputAreRefused) {
    Temp_Dir dir;
    Batch_Plan plan = Plan_Batch(Batch(dir.path, {"a/cat.png", "b.png", "b/cat.ppm"}));
    EXPECT_EQ(plan.refusal,
              "'a/cat.png' and 'b/cat.ppm' would both be written to '" + dir.file("cat.MQ4") + "'");
    EXPECT_TRUE(plan.jobs.empty());
    EXPECT_NE(Plan_Batch(Batch(dir.path, {"cat.png", "cat.png"})).refusal, "");
    EXPECT_NE(
        Plan_Batch(Batch(dir.path, {"cat.one.png", "cat.two.png"}, Output_Format::png)).refusal,
        "");
    // Two names for one existing file are one output.
    Write_Text(dir.file("real.MQ4"), "old");
    ASSERT_EQ(symlink("real.MQ4", dir.file("alias.MQ4").c_str()), 0);
    plan = Plan_Batch(Batch(dir.path, {"x/real.png", "y/alias.png"}));
    EXPECT_EQ(plan.refusal, "'x/real.png' and 'y/alias.png' would both be written to '" +
                                dir.file("alias.MQ4") + "'");
}

TEST(ConvertBatch, AnOutputThatIsAnInputIsRefused) {
    Temp_Dir dir;
    Temp_Dir out;
    // The output folder is the input's own folder.
    const std::string picture = dir.file("pic.MQ4");
    Write_Text(picture, "picture");
    Batch_Plan plan = Plan_Batch(Batch(dir.path, {picture}));
    EXPECT_EQ(plan.refusal,
              "'" + picture + "' is the input '" + picture + "' and would be overwritten");
    EXPECT_NE(Plan_Batch(Batch(dir.path + "/./", {picture})).refusal, "");
    // Reached through a link, or the same file under another name.
    const std::string link_to_picture = out.file("photo.MQ4");
    ASSERT_EQ(symlink(picture.c_str(), link_to_picture.c_str()), 0);
    Write_Text(dir.file("photo.png"), "image");
    plan = Plan_Batch(Batch(out.path, {dir.file("photo.png"), picture}));
    EXPECT_EQ(plan.refusal,
              "'" + link_to_picture + "' is the input '" + picture + "' and would be overwritten");
    ASSERT_EQ(link(dir.file("photo.png").c_str(), out.file("snap.png").c_str()), 0);
    EXPECT_NE(Plan_Batch(Batch(out.path, {dir.file("photo.png"), dir.file("snap.ppm")},
                               Output_Format::png))
                  .refusal,
              "");
    // Outputs that exist but are no input are fine: they are replaced.
    Write_Text(out.file("other.MQ4"), "old");
    EXPECT_EQ(Plan_Batch(Batch(out.path, {dir.file("other.png")})).refusal, "");
}
