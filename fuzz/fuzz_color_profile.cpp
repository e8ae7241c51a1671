// libFuzzer entry: every input through Check_Color_Profile (see Fuzz_Checks.h).

#include "fuzz/Fuzz_Checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string complaint = Check_Color_Profile(data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "fuzz_color_profile: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
