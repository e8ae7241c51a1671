// libFuzzer entry: every input through Check_Photo_Input (see Fuzz_Checks.h).

#include "fuzz/Fuzz_Checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string complaint = Check_Photo_Input(data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "fuzz_photo_input: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
