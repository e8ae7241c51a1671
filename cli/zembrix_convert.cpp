// zembrix-convert: the import's four conversions without any window.

#include "cli/Convert_IO.h"
#include "cli/Convert_Options.h"
#include "cli/Convert_Tool.h"

#include <new>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run_Convert(Parse_Convert_Args(args));
    } catch (const std::bad_alloc&) {
        // What ran out has said so.
        return exit_failure;
    }
}
