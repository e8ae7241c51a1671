#include "bench/Batch_Bench.h"

#include "bench/Process_Bench.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int batch_runs = 3;

std::string Format(const char* format, double a, double b = 0, double c = 0, double d = 0) {
    char line[320];
    std::snprintf(line, sizeof line, format, a, b, c, d);
    return line;
}

std::vector<std::string> Pictures_In(const std::string& folder) {
    std::vector<std::string> pictures;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".png") {
            pictures.push_back(entry.path().string());
        }
    }
    std::sort(pictures.begin(), pictures.end());
    return pictures;
}

// The pictures copied into a folder of their own, `copies` times over under
// other names, so that a batch's outputs never meet another's.
std::vector<std::string> Copies(const std::vector<std::string>& pictures, const fs::path& folder,
                                int copies) {
    fs::create_directories(folder);
    std::vector<std::string> made;
    for (int copy = 0; copy < copies; ++copy) {
        for (const std::string& picture : pictures) {
            std::string name = std::to_string(copy);
            name += '-';
            name += fs::path(picture).filename().string();
            const fs::path target = folder / name;
            fs::copy_file(picture, target, fs::copy_options::overwrite_existing);
            made.push_back(target.string());
        }
    }
    return made;
}

std::vector<std::string> With(std::vector<std::string> command,
                              const std::vector<std::string>& inputs) {
    command.insert(command.end(), inputs.begin(), inputs.end());
    return command;
}

} // namespace

void Add_Batch_Figures(const std::string& converter, const std::string& photos,
                       const std::string& scratch_folder, Bench_Report& report) {
    const std::vector<std::string> pictures = Pictures_In(photos);
    // In memory where it can be had, so that flushing each written file to
    // a disk does not hide the conversions' own time.
    std::string memory_template = "/dev/shm/zembrix-batch-XXXXXX";
    const char* memory = fs::is_directory("/dev/shm") ? mkdtemp(memory_template.data()) : nullptr;
    const fs::path scratch = fs::path(memory ? memory : scratch_folder) / "batch";
    if (pictures.empty()) {
        report.lines.push_back("batch: no photographs in " + photos);
        return;
    }
    const double count = static_cast<double>(pictures.size());
    const std::vector<std::string> inputs = Copies(pictures, scratch / "in", 1);
    const std::string out = (scratch / "out").string();
    fs::create_directories(out);

    const Process_Cost serial =
        Mean_Process_Cost(With({converter, "-j", "1", "-o", out}, inputs), batch_runs);
    const Process_Cost threaded =
        Mean_Process_Cost(With({converter, "-o", out}, inputs), batch_runs);
    // pngquant writes NAME-fs8.png beside each input, in one process.
    const Process_Cost theirs = Mean_Process_Cost(
        With({"pngquant", "16", "--posterize", "3", "--force"}, inputs), batch_runs);
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);

    report.lines.push_back(Format("batch of %.0f photographs (128x96), one process, mean of %.0f "
                                  "runs, files in ",
                                  count, batch_runs) +
                           scratch.parent_path().string() + ":");
    report.lines.push_back(Format("  zembrix-convert -j 1: %.2f ms CPU per picture, %.0f ms wall, "
                                  "peak %.0f KB",
                                  serial.cpu_ms / count, serial.wall_ms,
                                  static_cast<double>(serial.peak_rss_kb)) +
                           (serial.ok ? "" : " (FAILED)"));
    report.lines.push_back(Format("  zembrix-convert (-j %.0f, the default): %.2f ms CPU per "
                                  "picture, %.0f ms wall, peak %.0f KB",
                                  static_cast<double>(processors), threaded.cpu_ms / count,
                                  threaded.wall_ms, static_cast<double>(threaded.peak_rss_kb)) +
                           (threaded.ok ? "" : " (FAILED)"));
    if (!theirs.ok) {
        report.lines.push_back("  pngquant 16 --posterize 3: did not run (is pngquant installed?)");
    } else {
        report.lines.push_back(Format("  pngquant 16 --posterize 3: %.2f ms CPU per picture, "
                                      "%.0f ms wall, peak %.0f KB",
                                      theirs.cpu_ms / count, theirs.wall_ms,
                                      static_cast<double>(theirs.peak_rss_kb)));
        report.lines.push_back(Format("  CPU per picture, pngquant / ours: %.2fx (-j 1 %.2fx; "
                                      "goal >= 4x)",
                                      theirs.cpu_ms / threaded.cpu_ms,
                                      theirs.cpu_ms / serial.cpu_ms));
        report.lines.push_back(Format("  wall time, pngquant / ours: %.2fx (goal >= 3x on 2 cores)",
                                      theirs.wall_ms / threaded.wall_ms));
    }
    // The same pictures four times over: the peak must not grow with them.
    const std::vector<std::string> longer = Copies(pictures, scratch / "longer", 4);
    const Process_Cost longer_run = Run_Process(With({converter, "-o", out}, longer));
    report.lines.push_back(Format("  peak memory of a batch of %.0f: %.0f KB; of %.0f: %.0f KB "
                                  "(goal <= 16384 KB at any length)",
                                  count, static_cast<double>(threaded.peak_rss_kb),
                                  static_cast<double>(longer.size()),
                                  static_cast<double>(longer_run.peak_rss_kb)) +
                           (longer_run.ok ? "" : " (FAILED)"));
    // One palette for the whole batch: every working image is kept for the
    // fit, 36 KB each.
    const Process_Cost shared =
        Run_Process(With({converter, "--shared-palette", "-o", out}, inputs));
    report.lines.push_back(
        Format("  --shared-palette on the batch of %.0f: %.0f ms wall, peak %.0f KB", count,
               shared.wall_ms, static_cast<double>(shared.peak_rss_kb)) +
        (shared.ok ? "" : " (FAILED)"));
    std::error_code ignored;
    fs::remove_all(memory ? fs::path(memory) : scratch, ignored);
}
