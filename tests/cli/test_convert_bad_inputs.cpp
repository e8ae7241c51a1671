// zembrix-convert given every file of the bad-input table: exit status 1, the
// exact message, nothing on standard output and no output file.

#include <gtest/gtest.h>

#include "support/Bad_Inputs.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"

#include <algorithm>

namespace {

void Expect_Refusals(const std::vector<Bad_Input>& inputs, const std::string& output_name) {
    Temp_Dir dir;
    std::vector<std::string> names;
    for (const Bad_Input& input : inputs) {
        SCOPED_TRACE(input.what);
        const std::string path = dir.file(input.file_name);
        Create_Bad_Input(input, path);
        if (input.kind != Entry_Kind::missing) {
            names.push_back(input.file_name);
        }
        const std::string output = dir.file(output_name);
        const Converter_Result outcome = Run_Converter({path, output});
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
