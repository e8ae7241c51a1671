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

// Emits the gathered block row, each block divided by its own pixel count.
void Emit_Row(Box_Reduction* box, std::vector<DTPixel>* out) {
    const std::array<std::uint8_t, 65536>& to_srgb = To_Srgb();
    for (int x = 0; x < box->out_width; ++x) {
        const int columns = std::min(box->factor_x, box->width - x * box->factor_x);
        const std::uint64_t count = static_cast<std::uint64_t>(columns) * box->rows_summed;
        std::uint8_t channel[3];
        for (int c = 0; c < 3; ++c) {
            const std::uint64_t sum = box->sums[3 * static_cast<std::size_t>(x) + c];
            channel[c] = to_srgb[(sum + count / 2) / count];
        }
        out->push_back({channel[0], channel[1], channel[2]});
    }
    box->sums.assign(box->sums.size(), 0);
    box->rows_summed = 0;
}

} // namespace

std::uint16_t Srgb_To_Linear16(std::uint8_t value) {
    return To_Linear()[value];
}

std::uint8_t Linear16_To_Srgb(std::uint16_t value) {
    return To_Srgb()[value];
}

Box_Reduction Start_Box_Reduction(int width, int factor_x, int factor_y) {
    Box_Reduction box;
    box.width = width;
    box.factor_x = factor_x;
    box.factor_y = factor_y;
    box.out_width = (width + factor_x - 1) / factor_x;
    box.sums.assign(3 * static_cast<std::size_t>(box.out_width), 0);
    return box;
}

bool Add_Box_Row(Box_Reduction* box, const DTPixel* row, std::vector<DTPixel>* out) {
    const std::array<std::uint16_t, 256>& to_linear = To_Linear();
    for (int x = 0; x < box->width; ++x) {
        std::uint64_t* sum = &box->sums[3 * static_cast<std::size_t>(x / box->factor_x)];
        sum[0] += to_linear[row[x].r];
        sum[1] += to_linear[row[x].g];
        sum[2] += to_linear[row[x].b];
    }
    if (++box->rows_summed < box->factor_y) {
        return false;
    }
    Emit_Row(box, out);
    return true;
}

bool Finish_Box_Rows(Box_Reduction* box, std::vector<DTPixel>* out) {
    if (box->rows_summed == 0) {
        return false;
    }
    Emit_Row(box, out);
    return true;
}

DTImage Box_Reduce(const DTImage& image, int factor_x, int factor_y) {
    Box_Reduction box = Start_Box_Reduction(image.width, factor_x, factor_y);
    DTImage reduced;
    reduced.type = image.type;
    reduced.width = box.out_width;
    for (int y = 0; y < image.height; ++y) {
        Add_Box_Row(&box, &image.pixels[static_cast<std::size_t>(y) * image.width],
                    &reduced.pixels);
    }
    Finish_Box_Rows(&box, &reduced.pixels);
    reduced.height = static_cast<int>(reduced.pixels.size() / reduced.width);
    reduced.pixelCount = reduced.pixels.size();
    return reduced;
}
