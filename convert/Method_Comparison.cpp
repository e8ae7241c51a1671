#include "convert/Method_Comparison.h"

#include "convert/Contact_Sheet.h"
#include "convert/Conversion.h"
#include "convert/Palette_Mapping.h"
#include "convert/Refined_Conversion.h"
#include "core/Palette.h"
#include "quant/Color_Difference.h"
#include "quant/Palette_Dither.h"
#include "quant/Perceived_Difference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

const char* const quality_table_header =
    "method           colours   PSNR dB  CIEDE2000  perceived\n";

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
            delta_e_sum / picture_pixels, Perceived_Difference(working, Picture_Image(picture))};
}

std::string Format_Quality_Row(const std::string& method, const Picture_Quality& quality) {
    char psnr[32];
    if (std::isinf(quality.psnr)) {
        std::snprintf(psnr, sizeof psnr, "inf");
    } else {
        std::snprintf(psnr, sizeof psnr, "%.2f", quality.psnr);
    }
    // A name longer than its column (refined+sierra-lite) takes room from
    // the colours, so that the figures stay in their columns.
    const int overflow = std::max(static_cast<int>(method.size()) - 16, 0);
    const int colours_width = std::max(7 - overflow, 3);
    char row[160];
    std::snprintf(row, sizeof row, "%-16s %*d %9s %10.3f %10.3f\n", method.c_str(), colours_width,
                  quality.colors, psnr, quality.mean_delta_e, quality.perceived);
    return row;
}

std::vector<Compared_Picture> Compare_Pictures(const DTImage& loaded, Octree_Workspace& workspace) {
    const DTImage working = Working_Image(loaded);
    const Candidates candidates = Build_Candidates(loaded, workspace);
    std::vector<Compared_Picture> pictures;
    for (const Method_Row& row : method_table) {
        // The import's four come from one octree, made once for them all.
        MQ4_Document picture = row.fit == Palette_Fit::octree
                                   ? candidates[Index(row.method)]
                                   : Build_Method_Picture(loaded, row.method, workspace);
        const Picture_Quality quality = Measure_Picture(working, picture);
        pictures.push_back(
            {row.name, std::string("--method ") + row.name, std::move(picture), quality});
    }
    // The refined palette once for every kind; none and floyd-steinberg are
    // the refined methods above.
    const std::vector<DTPixel> palette = Refined_Palette(working, workspace);
    for (int k = 0; k < dither_kind_count; ++k) {
        const Dither_Kind kind = static_cast<Dither_Kind>(k);
        if (kind == Dither_Kind::none || kind == Dither_Kind::floyd_steinberg) {
            continue;
        }
        const std::string name(Dither_Kind_Name(kind));
        MQ4_Document picture = Refined_Picture(working, palette, {kind}, 0);
        const Picture_Quality quality = Measure_Picture(working, picture);
        pictures.push_back(
            {"refined+" + name, "--method refined --dither " + name, std::move(picture), quality});
    }
    return pictures;
}

std::string Comparison_Table(const std::vector<Compared_Picture>& pictures) {
    std::string table = quality_table_header;
    for (const Compared_Picture& compared : pictures) {
        table += Format_Quality_Row(compared.name, compared.quality);
    }
    return table;
}

std::string Compare_Methods(const DTImage& loaded, Octree_Workspace& workspace) {
    return Comparison_Table(Compare_Pictures(loaded, workspace));
}

DTImage Comparison_Sheet(const std::vector<Compared_Picture>& pictures) {
    std::vector<Sheet_Entry> entries;
    for (const Compared_Picture& compared : pictures) {
        char figure[64];
        std::snprintf(figure, sizeof figure, "perceived %.3f", compared.quality.perceived);
        entries.push_back({compared.options + "\n" + figure, Picture_Image(compared.picture)});
    }
    return Contact_Sheet(entries);
}
