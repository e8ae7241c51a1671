// zembrix-dither-probe PICTURE...: for each 128x96 picture (its first 12288
// pixels, as the converter takes them without --fit), the refined
// palette's picture made with every dither kind, and its perceived
// difference from the picture and the processor time of the mapping alone. Prints each
// kind's mean figures. Used to tune the dither kinds; not installed.

#include "convert/Conversion.h"
#include "convert/Refined_Conversion.h"
#include "image/Image_Input.h"
#include "quant/Palette_Dither.h"
#include "quant/Perceived_Difference.h"

#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
    std::array<double, dither_kind_count> perceived{};
    std::array<double, dither_kind_count> micros{};
    int pictures = 0;
    for (int a = 1; a < argc; ++a) {
        const std::optional<DTImage> loaded = Load_Input_Image(argv[a], Fit_Mode::none);
        if (!loaded) {
            continue;
        }
        const DTImage working = Working_Image(*loaded);
        const std::vector<DTPixel> palette = Refined_Palette(working);
        ++pictures;
        for (int k = 0; k < dither_kind_count; ++k) {
            // Processor time, as other work shares the machine.
            timespec start{};
            timespec stop{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
            const std::vector<std::uint8_t> indices =
                Map_Dithered(working, palette, {static_cast<Dither_Kind>(k), 100, false});
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &stop);
            micros[k] += (stop.tv_sec - start.tv_sec) * 1e6 + (stop.tv_nsec - start.tv_nsec) / 1e3;
            DTImage shown = working;
            for (std::size_t n = 0; n < indices.size(); ++n) {
                shown.pixels[n] = palette[indices[n]];
            }
            perceived[k] += Perceived_Difference(working, shown);
        }
    }
    for (int k = 0; k < dither_kind_count; ++k) {
        std::printf("%-16s %8.4f %8.0f us\n", dither_kind_names[k].data(), perceived[k] / pictures,
                    micros[k] / pictures);
    }
    return 0;
}
