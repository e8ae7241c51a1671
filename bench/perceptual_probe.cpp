// zembrix-perceptual-probe PHOTO...: how the perceptual method compares with
// refined-dither on 128x96 photographs. Prints per photograph and as means:
// the perceived difference (mean CIEDE2000 after a Gaussian blur in linear
// light) at sigma 1, 0.7 and 1.5, the PSNR of the shown colours, the mean
// CIEDE2000 without blur and the CPU time of each conversion; then on how
// many photographs perceptual is below refined-dither at each sigma. Used by
// make bench-quality; not installed.

#include "convert/Conversion.h"
#include "convert/Method_Comparison.h"
#include "convert/Palette_Mapping.h"
#include "convert/Perceptual_Conversion.h"
#include "convert/Refined_Conversion.h"
#include "quant/Perceived_Difference.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

namespace {

constexpr std::array<double, 3> sigmas{1.0, 0.7, 1.5};

struct Figures {
    std::array<double, 3> perceived{};
    double psnr = 0;
    double delta_e = 0;
    double cpu_ms = 0;
    double colours = 0;
};

double Cpu_Ms() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

Figures Measure(const DTImage& working, const std::function<MQ4_Document()>& convert) {
    Figures figures;
    const double before = Cpu_Ms();
    const MQ4_Document picture = convert();
    figures.cpu_ms = Cpu_Ms() - before;
    const DTImage shown = Picture_Image(picture);
    for (std::size_t s = 0; s < sigmas.size(); ++s) {
        figures.perceived[s] = Perceived_Difference(working, shown, sigmas[s]);
    }
    const Picture_Quality quality = Measure_Picture(working, picture);
    figures.psnr = quality.psnr;
    figures.delta_e = quality.mean_delta_e;
    figures.colours = quality.colors;
    return figures;
}

void Print(const std::string& name, const char* method, const Figures& f) {
    std::printf("%-28s %-15s %6.3f %6.3f %6.3f %7.2f %6.3f %7.1f %7.1f\n", name.c_str(), method,
                f.perceived[0], f.perceived[1], f.perceived[2], f.psnr, f.delta_e, f.cpu_ms,
                f.colours);
}

void Add(Figures* sum, const Figures& f) {
    for (std::size_t s = 0; s < sigmas.size(); ++s) {
        sum->perceived[s] += f.perceived[s];
    }
    sum->psnr += f.psnr;
    sum->delta_e += f.delta_e;
    sum->cpu_ms += f.cpu_ms;
    sum->colours += f.colours;
}

Figures Mean(Figures sum, int count) {
    for (double& p : sum.perceived) {
        p /= count;
    }
    sum.psnr /= count;
    sum.delta_e /= count;
    sum.cpu_ms /= count;
    sum.colours /= count;
    return sum;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("Usage: zembrix-perceptual-probe [--share X] [--rounds N] [--sweeps N] "
                   "PHOTO...\n",
                   stderr);
        return 2;
    }
    // Settings other than the method's own, for tuning.
    Perceptual_Settings settings;
    int first = 1;
    for (; first + 1 < argc && std::string(argv[first]).starts_with("--"); first += 2) {
        const std::string option = argv[first];
        const double value = std::atof(argv[first + 1]);
        if (option == "--share") {
            settings.plain_share = static_cast<float>(value);
        } else if (option == "--rounds") {
            settings.rounds = static_cast<int>(value);
        } else if (option == "--radius") {
            settings.candidate_radius = static_cast<int>(value);
        } else if (option == "--sweeps") {
            settings.sweeps_per_round = static_cast<int>(value);
        }
    }
    std::printf("%-28s %-15s %6s %6s %6s %7s %6s %7s %7s\n", "photograph", "method", "pd1", "pd0.7",
                "pd1.5", "PSNR", "dE", "CPU ms", "colours");
    Figures refined_sum;
    Figures perceptual_sum;
    std::array<int, 3> better{};
    int count = 0;
    for (int a = first; a < argc; ++a) {
        const std::optional<DTImage> loaded = Load_Picture_Image(argv[a]);
        if (!loaded) {
            return 1;
        }
        std::string name = argv[a];
        name = name.substr(name.find_last_of('/') + 1);
        const DTImage working = Working_Image(*loaded);
        const Figures refined = Measure(working, [&] { return Convert_Refined(working, true); });
        const Figures perceptual = Measure(
            working, [&] { return Convert_Perceptual(working, Refined_Start(working), settings); });
        Print(name, "refined-dither", refined);
        Print(name, "perceptual", perceptual);
        for (std::size_t s = 0; s < sigmas.size(); ++s) {
            better[s] += perceptual.perceived[s] < refined.perceived[s];
        }
        Add(&refined_sum, refined);
        Add(&perceptual_sum, perceptual);
        ++count;
    }
    std::printf("\n");
    Print("mean", "refined-dither", Mean(refined_sum, count));
    Print("mean", "perceptual", Mean(perceptual_sum, count));
    std::printf("perceptual below refined-dither on %d (sigma 1), %d (0.7), %d (1.5) of %d\n",
                better[0], better[1], better[2], count);
    return 0;
}
