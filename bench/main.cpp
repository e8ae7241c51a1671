// zembrix_bench PICTURE CONVERTER PHOTOS [Google Benchmark flags]
// Measures the conversion of a 128x96 picture, the X traffic and time of
// every window's repaint and of the editor's answers to the pointer, against
// the straightforward painting, the memory that imports keep, the
// converter's CPU time against pngquant on the picture and on a batch of the
// photographs in the folder PHOTOS, and its peak memory on batches and on
// large images, with and without --fit; ends with a table.

#include "bench/Batch_Bench.h"
#include "bench/Bench_Report.h"
#include "bench/Large_Image_Bench.h"
#include "bench/Process_Bench.h"
#include "bench/Window_Bench.h"
#include "convert/Conversion.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int process_runs = 20;
constexpr int imports = 100;

// Prints the usual console output and keeps each benchmark's mean time.
class Collecting_Reporter : public benchmark::ConsoleReporter {
  public:
    explicit Collecting_Reporter(Bench_Report& report_) : report(report_) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                report.micros[run.run_name.function_name] = run.GetAdjustedRealTime();
                report.cpu_micros[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

  private:
    Bench_Report& report;
};

void Register_Conversions(const DTImage& image) {
    static DTImage picture;
    picture = image;
    benchmark::RegisterBenchmark("convert/all four candidates",
                                 [](benchmark::State& state) {
                                     for (auto _ : state) {
                                         benchmark::DoNotOptimize(Build_Candidates(picture));
                                     }
                                 })
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.5);
    for (int slot = 0; slot < candidate_count; ++slot) {
        const Method method = method_table[slot].method;
        const std::string name = std::string("convert/") + method_table[slot].name + " alone";
        benchmark::RegisterBenchmark(name.c_str(),
                                     [method](benchmark::State& state) {
                                         for (auto _ : state) {
                                             benchmark::DoNotOptimize(
                                                 Build_Candidate(picture, method));
                                         }
                                     })
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(0.3);
    }
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char line[256];
    std::snprintf(line, sizeof line, format, a, b, c);
    return line;
}

void Add_Memory_Figures(const std::string& picture, const std::string& converter,
                        const std::string& scratch, Bench_Report& report) {
    const Import_Growth growth = Measure_Import_Growth(picture, imports);
    if (growth.ok) {
        const double kb = static_cast<double>(growth.rss_after_kb - growth.rss_before_kb);
        report.lines.push_back(Format("memory growth over %.0f imports in one process, after the "
                                      "first: %.0f KB (%.1f KB per import; goal < 1024 KB in all)",
                                      imports, kb, kb / imports));
        report.lines.push_back(Format("CPU per import over those %.0f: %.2f ms in user space, "
                                      "%.2f ms in the kernel",
                                      imports, growth.user_ms / imports,
                                      growth.system_ms / imports));
    }
    const Process_Cost convert = Run_Process({converter, picture, scratch + "/picture.MQ4"});
    report.lines.push_back(Format("zembrix-convert peak memory (max RSS): %.0f KB",
                                  static_cast<double>(convert.peak_rss_kb)) +
                           (convert.ok ? "" : " (FAILED)"));
}

void Add_Process_Figures(const std::string& picture, const std::string& converter,
                         const std::string& scratch, Bench_Report& report) {
    const Process_Cost ours =
        Mean_Process_Cost({converter, picture, scratch + "/ours.png"}, process_runs);
    const Process_Cost theirs = Mean_Process_Cost(
        {"pngquant", "16", "--force", "--output", scratch + "/theirs.png", picture}, process_runs);
    report.lines.push_back(Format("zembrix-convert, CPU per process (mean of %.0f): %.2f ms, "
                                  "peak %.0f KB",
                                  process_runs, ours.cpu_ms,
                                  static_cast<double>(ours.peak_rss_kb)) +
                           (ours.ok ? "" : " (FAILED)"));
    if (!theirs.ok) {
        report.lines.push_back("pngquant 16: did not run (is pngquant installed?)");
        return;
    }
    report.lines.push_back(Format("pngquant 16, CPU per process: %.2f ms, peak %.0f KB",
                                  theirs.cpu_ms, static_cast<double>(theirs.peak_rss_kb)));
    report.lines.push_back(Format("CPU ratio pngquant / zembrix-convert: %.2fx (goal >= 3x)",
                                  theirs.cpu_ms / ours.cpu_ms));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc != 4) {
        std::fputs("Usage: zembrix_bench PICTURE CONVERTER PHOTOS [benchmark flags]\n", stderr);
        return 2;
    }
    const std::string picture = argv[1];
    const std::string converter = argv[2];
    const std::string photos = argv[3];
    const std::optional<DTImage> image = CreateImageFromFile(picture.c_str());
    if (!image || !Image_Fills_Picture(*image)) {
        return 1;
    }
    char scratch_template[] = "/tmp/zembrix-bench-XXXXXX";
    const char* scratch = mkdtemp(scratch_template);
    if (!scratch) {
        std::perror("mkdtemp");
        return 1;
    }

    Bench_Report report;
    // Before any conversion here, so that the child starts with an empty pool.
    Add_Memory_Figures(picture, converter, scratch, report);
    Add_Process_Figures(picture, converter, scratch, report);
    Add_Batch_Figures(converter, photos, scratch, report);
    Add_Large_Image_Figures(converter, scratch, report);

    Display* display = XOpenDisplay(nullptr);
    if (!display || DefaultDepth(display, DefaultScreen(display)) != 24) {
        std::fputs("zembrix_bench: needs an X display of depth 24\n", stderr);
        return 1;
    }
    report.bytes_counted = Byte_Count_Works(display);
    Register_Window_Benchmarks(display, Build_Candidates(*image), report);
    Register_Conversions(*image);

    Collecting_Reporter reporter(report);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    Print_Report(report);
    XCloseDisplay(display);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
