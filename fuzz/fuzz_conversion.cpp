// libFuzzer entry: every input through Check_Conversion (see Fuzz_Checks.h).

#include "fuzz/Fuzz_Checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string complaint = Check_Conversion(data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "fuzz_conversion: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
