#include "image/Box_Reduce.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

double Decode_Srgb(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double Encode_Srgb(double v) {
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

const std::array<std::uint16_t, 256>& To_Linear() {
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> values{};
        for (int v = 0; v < 256; ++v) {
            values[v] = static_cast<std::uint16_t>(std::lround(Decode_Srgb(v / 255.0) * 65535));
        }
        return values;
    }();
    return table;
}

const std::array<std::uint8_t, 65536>& To_Srgb() {
    static const std::array<std::uint8_t, 65536> table = [] {
        std::array<std::uint8_t, 65536> values{};
        for (int v = 0; v < 65536; ++v) {
            values[v] = static_cast<std::uint8_t>(std::lround(Encode_Srgb(v / 65535.0) * 255));
        }
        return values;
    }();
    return table;
}

} // namespace

std::uint16_t Srgb_To_Linear16(std::uint8_t value) {
    return To_Linear()[value];
}

std::uint8_t Linear16_To_Srgb(std::uint16_t value) {
    return To_Srgb()[value];
}

Pixel_Size Box_Reduced_Size(Pixel_Size source, int factor_x, int factor_y) {
    return {(source.width + factor_x - 1) / factor_x, (source.height + factor_y - 1) / factor_y};
}

Box_Reduction Start_Box_Reduction(Pixel_Size source, int factor_x, int factor_y, Pixel_Rect part) {
    Box_Reduction box;
    box.source = source;
    box.factor_x = factor_x;
    box.factor_y = factor_y;
    box.part = part;
    const std::size_t blocks = static_cast<std::size_t>(std::max(part.x1 - part.x0, 0)) *
                               static_cast<std::size_t>(std::max(part.y1 - part.y0, 0));
    box.sums.assign(3 * blocks, 0);
    return box;
}

void Add_Box_Pixels(Box_Reduction* box, int y, int x0, int step, const DTPixel* pixels, int count) {
    const Pixel_Rect& part = box->part;
    const int block_y = y / box->factor_y;
    if (block_y < part.y0 || block_y >= part.y1) {
        return;
    }
    // The pixels whose columns fall in the part: from the first at or after
    // its left edge to the last before its right edge.
    const int left = part.x0 * box->factor_x;
    const int right = std::min(part.x1 * box->factor_x, box->source.width);
    const int first = x0 >= left ? 0 : (left - x0 + step - 1) / step;
    const int end = right <= x0 ? 0 : std::min(count, (right - x0 + step - 1) / step);
    const std::array<std::uint16_t, 256>& to_linear = To_Linear();
    std::uint32_t* row =
        box->sums.data() + 3 * static_cast<std::size_t>(block_y - part.y0) * (part.x1 - part.x0);
    for (int i = first; i < end; ++i) {
        const DTPixel& pixel = pixels[i];
        std::uint32_t* sum =
            row + 3 * static_cast<std::size_t>((x0 + i * step) / box->factor_x - part.x0);
        sum[0] += to_linear[pixel.r];
        sum[1] += to_linear[pixel.g];
        sum[2] += to_linear[pixel.b];
    }
}

void Add_Box_Fill(Box_Reduction* box, Pixel_Rect rect, DTPixel colour) {
    if (rect.x1 <= rect.x0 || rect.y1 <= rect.y0) {
        return;
    }
    const Pixel_Rect& part = box->part;
    const int fx = box->factor_x;
    const int fy = box->factor_y;
    const Pixel_Rect blocks{std::max(rect.x0 / fx, part.x0), std::max(rect.y0 / fy, part.y0),
                            std::min((rect.x1 - 1) / fx + 1, part.x1),
                            std::min((rect.y1 - 1) / fy + 1, part.y1)};
    const std::array<std::uint16_t, 256>& to_linear = To_Linear();
    const std::uint32_t linear[3] = {to_linear[colour.r], to_linear[colour.g], to_linear[colour.b]};
    for (int by = blocks.y0; by < blocks.y1; ++by) {
        const int rows = std::min(rect.y1, (by + 1) * fy) - std::max(rect.y0, by * fy);
        std::uint32_t* sum =
            box->sums.data() + 3 * (static_cast<std::size_t>(by - part.y0) * (part.x1 - part.x0) +
                                    (blocks.x0 - part.x0));
        for (int bx = blocks.x0; bx < blocks.x1; ++bx, sum += 3) {
            const int columns = std::min(rect.x1, (bx + 1) * fx) - std::max(rect.x0, bx * fx);
            const auto pixels = static_cast<std::uint32_t>(rows * columns);
            sum[0] += pixels * linear[0];
            sum[1] += pixels * linear[1];
            sum[2] += pixels * linear[2];
        }
    }
}

DTImage Finish_Box_Reduction(const Box_Reduction& box) {
    const Pixel_Rect& part = box.part;
    DTImage reduced;
    reduced.type = DTImageTypeUnknown;
    reduced.width = std::max(part.x1 - part.x0, 0);
    reduced.height = std::max(part.y1 - part.y0, 0);
    reduced.pixelCount = static_cast<std::uint64_t>(reduced.width) * reduced.height;
    reduced.pixels.reserve(reduced.pixelCount);
    const std::array<std::uint8_t, 65536>& to_srgb = To_Srgb();
    const std::uint32_t* sum = box.sums.data();
    for (int y = part.y0; y < part.y1; ++y) {
        const int rows = std::min(box.factor_y, box.source.height - y * box.factor_y);
        for (int x = part.x0; x < part.x1; ++x, sum += 3) {
            const int columns = std::min(box.factor_x, box.source.width - x * box.factor_x);
            const std::uint32_t count = static_cast<std::uint32_t>(columns * rows);
            reduced.pixels.push_back({to_srgb[(sum[0] + count / 2) / count],
                                      to_srgb[(sum[1] + count / 2) / count],
                                      to_srgb[(sum[2] + count / 2) / count]});
        }
    }
    return reduced;
}

DTImage Box_Reduce(const DTImage& image, int factor_x, int factor_y) {
    const Pixel_Size source{image.width, image.height};
    const Pixel_Size size = Box_Reduced_Size(source, factor_x, factor_y);
    Box_Reduction box =
        Start_Box_Reduction(source, factor_x, factor_y, {0, 0, size.width, size.height});
    for (int y = 0; y < image.height; ++y) {
        Add_Box_Pixels(&box, y, 0, 1, &image.pixels[static_cast<std::size_t>(y) * image.width],
                       image.width);
    }
    DTImage reduced = Finish_Box_Reduction(box);
    reduced.type = image.type;
    return reduced;
}
