#pragma once
// The rows of the closing table, filled while the benchmarks are set up and
// run.

#include "bench/X_Traffic.h"

#include <map>
#include <string>
#include <vector>

// One piece of drawing, done our way and the straightforward way.
struct Traffic_Row {
    std::string section;
    std::string what;
    Traffic ours;
    Traffic straight;
    std::string ours_benchmark; // Google Benchmark names, for the mean times
    std::string straight_benchmark;
    std::string note; // e.g. whether both paint the same pixels
};

struct Bench_Report {
    std::vector<Traffic_Row> traffic;
    // Mean real and CPU time per iteration in microseconds, by benchmark name.
    std::map<std::string, double> micros;
    std::map<std::string, double> cpu_micros;
    bool bytes_counted = false; // Bytes_Written counts X requests exactly
    // Free lines: memory and process figures.
    std::vector<std::string> lines;
};

void Print_Report(const Bench_Report& report);
