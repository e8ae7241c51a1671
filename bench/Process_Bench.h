#pragma once
// Whole processes: their CPU time and peak memory, and the memory that many
// imports in one process keep.

#include <string>
#include <vector>

struct Process_Cost {
    bool ok = false;   // ran and exited with status 0
    double cpu_ms = 0; // user + system time, all threads
    double wall_ms = 0;
    long peak_rss_kb = 0;
};

// Runs the program with its output discarded and waits for it.
Process_Cost Run_Process(const std::vector<std::string>& argv);

// The mean CPU and wall time and the largest peak over `runs` runs.
Process_Cost Mean_Process_Cost(const std::vector<std::string>& argv, int runs);

struct Import_Growth {
    bool ok = false;
    long rss_before_kb = 0;
    long rss_after_kb = 0;
    int imports = 0;
    double user_ms = 0;   // CPU time of all the imports, in user space
    double system_ms = 0; // and in the kernel
};

// Imports the picture (loads it and builds its four candidates) `imports`
// times in a fresh child process, after one import, and reads its resident
// memory before and after.
Import_Growth Measure_Import_Growth(const std::string& picture, int imports);
