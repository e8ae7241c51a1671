#include "convert/Method_Comparison.h"

#include "convert/Conversion.h"
#include "convert/Refined_Conversion.h"
#include "core/Palette.h"
#include "quant/Color_Difference.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

const char* const quality_table_header = "method           colours   PSNR dB  CIEDE2000\n";

namespace {

int Count_Colors(const MQ4_Document& picture) {
    std::array<bool, palette_size> used{};
    for (const std::uint8_t index : picture.pixels) {
        used[index & 0x0F] = true;
    }
    std::vector<DTPixel> colors;
    for (int i = 0; i < palette_size; ++i) {
        bool known = false;
        for (const DTPixel color : colors) {
            known = known || color == picture.palette[i];
        }
        if (used[i] && !known) {
            colors.push_back(picture.palette[i]);
        }
    }
    return static_cast<int>(colors.size());
}

double Psnr(std::int64_t squared_error, std::int64_t samples) {
    if (squared_error == 0) {
        return std::numeric_limits<double>::infinity();
    }
    const double mean = static_cast<double>(squared_error) / static_cast<double>(samples);
    return 10.0 * std::log10(255.0 * 255.0 / mean);
}

} // namespace

Picture_Quality Measure_Picture(const DTImage& working, const MQ4_Document& picture) {
    const Palette_Colors& shown = picture.palette;
    std::array<Lab_Color, palette_size> shown_lab;
    for (int i = 0; i < palette_size; ++i) {
        shown_lab[i] = Srgb_To_Lab(shown[i].r, shown[i].g, shown[i].b);
    }
    std::int64_t squared_error = 0;
    double delta_e_sum = 0.0;
    for (int n = 0; n < picture_pixels; ++n) {
        const DTPixel input = working.pixels[n];
        const int index = picture.pixels[n] & 0x0F;
        const DTPixel output = shown[index];
        const int dr = input.r - output.r;
        const int dg = input.g - output.g;
        const int db = input.b - output.b;
        squared_error += dr * dr + dg * dg + db * db;
        delta_e_sum += Ciede2000(Srgb_To_Lab(input.r, input.g, input.b), shown_lab[index]);
    }
    return {Count_Colors(picture), Psnr(squared_error, std::int64_t{picture_pixels} * 3),
            delta_e_sum / picture_pixels};
}

std::string Format_Quality_Row(const std::string& method, const Picture_Quality& quality) {
    char psnr[32];
    if (std::isinf(quality.psnr)) {
        std::snprintf(psnr, sizeof psnr, "inf");
    } else {
        std::snprintf(psnr, sizeof psnr, "%.2f", quality.psnr);
    }
    char row[128];
    std::snprintf(row, sizeof row, "%-16s %7d %9s %10.3f\n", method.c_str(), quality.colors, psnr,
                  quality.mean_delta_e);
    return row;
}

std::string Compare_Methods(const DTImage& loaded, Octree_Workspace& workspace) {
    const DTImage working = Working_Image(loaded);
    const Candidates candidates = Build_Candidates(loaded, workspace);
    std::string table = quality_table_header;
    for (const Method_Row& row : method_table) {
        // The import's four come from one octree, made once for them all.
        const MQ4_Document picture = row.fit == Palette_Fit::octree
                                         ? candidates[Index(row.method)]
                                         : Build_Method_Picture(loaded, row.method, workspace);
        table += Format_Quality_Row(row.name, Measure_Picture(working, picture));
    }
    return table;
}
