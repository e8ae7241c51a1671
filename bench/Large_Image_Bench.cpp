#include "bench/Large_Image_Bench.h"

#include "bench/Large_Images.h"
#include "bench/Process_Bench.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr long goal_whole_kb = 32768;
constexpr long goal_fit_kb = 65536;

enum class Large_Kind { png, interlaced_png, ppm, jpeg, progressive_jpeg };

struct Large_Image {
    const char* what;
    const char* name;
    Large_Kind kind;
};

const Large_Image large_images[] = {
    {"16384 x 16384 PNG", "huge.png", Large_Kind::png},
    {"16384 x 16384 interlaced PNG", "huge-interlaced.png", Large_Kind::interlaced_png},
    {"10000 x 10000 PPM", "large.ppm", Large_Kind::ppm},
    {"10000 x 10000 JPEG", "large.jpg", Large_Kind::jpeg},
    // About 12 megapixels at 4:2:0: libjpeg holds 36 MB of coefficients
    // for it, close to the most it may take.
    {"4000 x 3000 progressive JPEG", "progressive.jpg", Large_Kind::progressive_jpeg},
};

bool Write_Image(const Large_Image& image, const std::string& path) {
    switch (image.kind) {
    case Large_Kind::png:
    case Large_Kind::interlaced_png:
        return Write_Huge_PNG(path, image.kind == Large_Kind::interlaced_png);
    case Large_Kind::ppm:
        return Write_Large_PPM(path, 10000, 10000);
    case Large_Kind::jpeg:
        return Write_Large_JPEG(path, 10000, 10000, false);
    case Large_Kind::progressive_jpeg:
        return Write_Large_JPEG(path, 4000, 3000, true);
    }
    return false;
}

std::string Line(const std::string& what, const char* how, const Process_Cost& cost, long goal) {
    char line[320];
    std::snprintf(line, sizeof line, "  %s, %s: peak %ld KB (goal < %ld KB), %.0f ms%s",
                  what.c_str(), how, cost.peak_rss_kb, goal, cost.wall_ms,
                  cost.ok ? "" : " (FAILED)");
    return line;
}

} // namespace

void Add_Large_Image_Figures(const std::string& converter, const std::string& scratch,
                             Bench_Report& report) {
    report.lines.push_back("zembrix-convert on large images, peak memory (max RSS):");
    const std::string output = (fs::path(scratch) / "large.MQ4").string();
    for (const Large_Image& image : large_images) {
        const std::string path = (fs::path(scratch) / image.name).string();
        if (!Write_Image(image, path)) {
            report.lines.push_back(std::string("  ") + image.what + ": could not be written");
            continue;
        }
        char size[64];
        std::snprintf(size, sizeof size, " of %.0f KB",
                      static_cast<double>(fs::file_size(path)) / 1024);
        const std::string what = image.what + std::string(size);
        report.lines.push_back(
            Line(what, "without --fit", Run_Process({converter, path, output}), goal_whole_kb));
        report.lines.push_back(Line(what, "--fit crop",
                                    Run_Process({converter, "--fit", "crop", path, output}),
                                    goal_fit_kb));
        if (image.kind == Large_Kind::interlaced_png) {
            // A pipe's length is unknown: the PNG is decoded straight from it.
            report.lines.push_back(
                Line(what, "--fit crop, piped",
                     Run_Process({"sh", "-c", "cat \"$1\" | \"$2\" --fit crop - \"$3\"", "sh", path,
                                  converter, output}),
                     goal_fit_kb));
        }
        fs::remove(path);
    }
}
