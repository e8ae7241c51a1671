#include "bench/Bench_Report.h"

#include <cstdio>

namespace {

double Micros(const std::map<std::string, double>& times, const std::string& name) {
    const auto found = times.find(name);
    return found == times.end() ? -1 : found->second;
}

double Micros(const Bench_Report& report, const std::string& name) {
    return Micros(report.micros, name);
}

std::string Bytes(const Bench_Report& report, long bytes) {
    if (!report.bytes_counted || bytes < 0) {
        return "n/a";
    }
    char text[32];
    if (bytes < 10000) {
        std::snprintf(text, sizeof text, "%ld B", bytes);
    } else {
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
    }
    return text;
}

double Ratio(double straight, double ours) {
    return ours > 0 ? straight / ours : 0;
}

void Print_Conversions(const Bench_Report& report) {
    std::puts("Conversion of one 128x96 picture, mean per call (goal: all four < 2000 us)");
    std::printf("  %-36s %9s %9s\n", "", "CPU us", "real us");
    for (const char* name : {"all four candidates", "floyd-steinberg alone", "diffusion alone",
                             "octree alone", "closest alone"}) {
        const std::string benchmark = std::string("convert/") + name;
        std::printf("  %-36s %9.1f %9.1f\n", name, Micros(report.cpu_micros, benchmark),
                    Micros(report.micros, benchmark));
    }
    std::puts("  (a method alone includes the octree picture whose palette it takes)");
}

void Print_Traffic(const Bench_Report& report) {
    std::puts("\nX traffic: ours | straightforward | straightforward / ours");
    std::printf("  %-32s %6s %9s %9s | %6s %9s %9s | %6s %6s %6s | %s\n", "", "reqs", "bytes",
                "time us", "reqs", "bytes", "time us", "reqs", "bytes", "time", "check");
    std::string section;
    for (const Traffic_Row& row : report.traffic) {
        if (row.section != section) {
            section = row.section;
            std::printf("  %s\n", section == "repaint" ? "full repaint" : "editor, one event");
        }
        const double ours_time = Micros(report, row.ours_benchmark);
        const double straight_time = Micros(report, row.straight_benchmark);
        std::printf(
            "  %-32s %6lu %9s %9.1f | %6lu %9s %9.1f | %6.0f %6.0f %6.1f | %s\n", row.what.c_str(),
            row.ours.requests, Bytes(report, row.ours.bytes).c_str(), ours_time,
            row.straight.requests, Bytes(report, row.straight.bytes).c_str(), straight_time,
            Ratio(static_cast<double>(row.straight.requests),
                  static_cast<double>(row.ours.requests)),
            Ratio(static_cast<double>(row.straight.bytes), static_cast<double>(row.ours.bytes)),
            Ratio(straight_time, ours_time), row.note.c_str());
    }
    std::puts("  (requests: XNextRequest before and after, pointer queries included; bytes:\n"
              "   what the process wrote to the X socket, from /proc/self/io; time: mean\n"
              "   until XSync returns)");
}

} // namespace

void Print_Report(const Bench_Report& report) {
    std::puts("\n=== Zembrix benchmark summary ===");
    Print_Conversions(report);
    Print_Traffic(report);
    std::puts("\nMemory and whole processes");
    for (const std::string& line : report.lines) {
        std::printf("  %s\n", line.c_str());
    }
}
