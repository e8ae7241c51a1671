// Any bytes through the image loader: it gives a consistent image or none,
// never a crash, an overrun or a leak.

#include "image/DTImage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<DTImage> image = CreateImageFromMemory(data, size);
    if (!image) {
        return 0;
    }
    const bool consistent =
        image->width >= 1 && image->height >= 1 && image->width <= max_image_side &&
        image->height <= max_image_side &&
        image->pixelCount == static_cast<std::uint64_t>(image->width) * image->height &&
        image->pixels.size() == image->pixelCount &&
        (image->type == DTImageTypePNG || image->type == DTImageTypePPM);
    if (!consistent) {
        std::abort();
    }
    return 0;
}
