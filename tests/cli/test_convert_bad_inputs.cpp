// zembrix-convert given every file of the bad-input table: exit status 1, the
// exact message, nothing on standard output and no output file.

#include <gtest/gtest.h>

#include "support/Bad_Inputs.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"

#include <algorithm>

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome Convert(const std::vector<std::string>& args, const std::string& output_dir) {
    Program_Run run = Start_Program(Built_Program("zembrix-convert"), args, {}, output_dir);
    if (!Wait_For_Exit(&run, 20000)) {
        Kill_Program(&run);
        ADD_FAILURE() << "zembrix-convert did not finish";
    }
    return {run.exit_status, Stdout_Of(run), Stderr_Of(run)};
}

void Expect_Refusals(const std::vector<Bad_Input>& inputs, const std::string& output_name) {
    Temp_Dir dir;
    Temp_Dir logs;
    std::vector<std::string> names;
    for (const Bad_Input& input : inputs) {
        SCOPED_TRACE(input.what);
        const std::string path = dir.file(input.file_name);
        Create_Bad_Input(input, path);
        if (input.kind != Entry_Kind::missing) {
            names.push_back(input.file_name);
        }
        const std::string output = dir.file(output_name);
        const Outcome outcome = Convert({path, output}, logs.path);
        EXPECT_EQ(outcome.err, Expected_Message(input, path));
        EXPECT_EQ(outcome.out, "");
        if (input.accepted) {
            EXPECT_EQ(outcome.status, 0);
            EXPECT_TRUE(File_Exists(output));
            std::remove(output.c_str());
        } else {
            EXPECT_EQ(outcome.status, 1);
            EXPECT_FALSE(File_Exists(output));
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(List_Dir(dir.path), names) << "only the inputs, no output or temporary file";
    }
}

} // namespace

TEST(ConverterBadInputs, ImagesExitWithOneAndTheirMessage) {
    Expect_Refusals(Bad_Image_Inputs(), "out.MQ4");
}

TEST(ConverterBadInputs, Mq4FilesExitWithOneAndTheirMessage) {
    Expect_Refusals(Bad_MQ4_Inputs(), "out.png");
}
