// libFuzzer entry: every input through Check_Image_Loader (see Fuzz_Checks.h).

#include "fuzz/Fuzz_Checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string complaint = Check_Image_Loader(data, size);
    if (!complaint.empty()) {
        std::fprintf(stderr, "fuzz_image_loader: %s\n", complaint.c_str());
        std::abort();
    }
    return 0;
}
