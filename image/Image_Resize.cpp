#include "image/Image_Resize.h"

#include <new>
#include <stb_image_resize.h>

DTImage Resize_Region(const DTImage& image, const Source_Region& region, int width, int height) {
    DTImage resized;
    resized.type = image.type;
    resized.width = width;
    resized.height = height;
    resized.pixelCount = static_cast<std::uint64_t>(width) * height;
    if (region.x0 == 0 && region.y0 == 0 && region.x1 == image.width && region.y1 == image.height &&
        width == image.width && height == image.height) {
        resized.pixels = image.pixels;
        return resized;
    }
    resized.pixels.resize(resized.pixelCount);
    const float w = static_cast<float>(image.width);
    const float h = static_cast<float>(image.height);
    const int done = stbir_resize_region(
        image.pixels.data(), image.width, image.height, image.width * 3, resized.pixels.data(),
        width, height, width * 3, STBIR_TYPE_UINT8, 3, STBIR_ALPHA_CHANNEL_NONE, 0,
        STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_FILTER_DEFAULT,
        STBIR_COLORSPACE_SRGB, nullptr, static_cast<float>(region.x0) / w,
        static_cast<float>(region.y0) / h, static_cast<float>(region.x1) / w,
        static_cast<float>(region.y1) / h);
    if (!done) {
        // Only its scratch memory can fail it.
        throw std::bad_alloc();
    }
    return resized;
}
