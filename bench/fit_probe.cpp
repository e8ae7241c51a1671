// zembrix-fit-probe MODE INPUT REFERENCE: how close the converter's fitted
// 128x96 image of INPUT (before any colour reduction) comes to a reference
// image of the same size. Prints the PSNR in dB over the 8-bit samples.
// Used by bench/fit_quality.sh; not installed.

#include "image/Image_Input.h"

#include <cmath>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("Usage: zembrix-fit-probe crop|pad|stretch INPUT REFERENCE\n", stderr);
        return 2;
    }
    const std::string mode_name = argv[1];
    const Fit_Mode mode = mode_name == "pad"       ? Fit_Mode::pad
                          : mode_name == "stretch" ? Fit_Mode::stretch
                                                   : Fit_Mode::crop;
    const std::optional<DTImage> fitted = Load_Input_Image(argv[2], mode);
    const std::optional<DTImage> reference = CreateImageFromFile(argv[3]);
    if (!fitted || !reference) {
        return 1;
    }
    if (reference->pixels.size() != fitted->pixels.size()) {
        std::fputs("zembrix-fit-probe: the reference is not 128x96\n", stderr);
        return 1;
    }
    double squares = 0;
    for (std::size_t n = 0; n < fitted->pixels.size(); ++n) {
        const DTPixel a = fitted->pixels[n];
        const DTPixel b = reference->pixels[n];
        squares +=
            (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
    }
    const double mse = squares / (3.0 * fitted->pixels.size());
    std::printf("%.2f\n", mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse));
    return 0;
}
