// Any loadable image through the whole import conversion: four pictures
// whose indices lie in the palette, with the shared palette where it must be.

#include "app/misc.h"
#include "io/Conversion.h"
#include "quant/OctQuant.h"

#include <cstdlib>

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void Check_Candidates(const Candidates& candidates) {
    for (const MQ4_Document& picture : candidates) {
        for (std::uint8_t index : picture.pixels) {
            Check(index < palette_size);
        }
        for (int i = 0; i < palette_size; ++i) {
            Check((picture.palette_rgb[i] & ~0xF8F8F8) == 0);
            Check(picture.palette_555[i] == Encode_555(picture.palette_rgb[i]));
        }
        Check(!picture.file_title && !picture.document_name);
    }
    Check(candidates[slot_floyd_steinberg].palette_rgb == candidates[slot_octree].palette_rgb);
    Check(candidates[slot_closest].palette_rgb == candidates[slot_octree].palette_rgb);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<DTImage> image = CreateImageFromMemory(data, size);
    if (!image) {
        return 0;
    }
    // Images too small for a picture are refused by the callers; the
    // conversion pads them, and that path is fuzzed too.
    Check_Candidates(Build_Candidates(*image));
    // The program keeps its octree nodes for good; thousands of runs in one
    // process would pile them up.
    node_pool_release();
    return 0;
}
