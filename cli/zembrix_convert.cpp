// zembrix-convert: the import's four conversions without any window.

#include "cli/Convert_Tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return Run_Convert(Parse_Convert_Args(args));
}
