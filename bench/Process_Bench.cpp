#include "bench/Process_Bench.h"

#include "convert/Conversion.h"

#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double Milliseconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

long Resident_Kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

[[noreturn]] void Exec_Quietly(const std::vector<std::string>& argv) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

} // namespace

Process_Cost Run_Process(const std::vector<std::string>& argv) {
    Process_Cost cost;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) {
        return cost;
    }
    if (child == 0) {
        Exec_Quietly(argv);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        return cost;
    }
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    cost.wall_ms = static_cast<double>(end.tv_sec - start.tv_sec) * 1e3 +
                   static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e6;
    cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    cost.cpu_ms = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
    cost.peak_rss_kb = usage.ru_maxrss;
    return cost;
}

Process_Cost Mean_Process_Cost(const std::vector<std::string>& argv, int runs) {
    Process_Cost total;
    total.ok = true;
    for (int run = 0; run < runs; ++run) {
        const Process_Cost cost = Run_Process(argv);
        total.ok = total.ok && cost.ok;
        total.cpu_ms += cost.cpu_ms / runs;
        total.wall_ms += cost.wall_ms / runs;
        total.peak_rss_kb = std::max(total.peak_rss_kb, cost.peak_rss_kb);
    }
    return total;
}

Import_Growth Measure_Import_Growth(const std::string& picture, int imports) {
    Import_Growth growth;
    int channel[2];
    if (pipe(channel) != 0) {
        return growth;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Import_Growth measured;
        measured.imports = imports;
        // One import first, so that the figures leave out the code and
        // buffers that every process pays for once.
        Octree_Workspace workspace;
        if (Load_Candidates(picture, workspace)) {
            measured.rss_before_kb = Resident_Kb();
            rusage before{};
            getrusage(RUSAGE_SELF, &before);
            bool all = true;
            for (int n = 0; n < imports; ++n) {
                all = Load_Candidates(picture, workspace).has_value() && all;
            }
            rusage after{};
            getrusage(RUSAGE_SELF, &after);
            measured.rss_after_kb = Resident_Kb();
            measured.user_ms = Milliseconds(after.ru_utime) - Milliseconds(before.ru_utime);
            measured.system_ms = Milliseconds(after.ru_stime) - Milliseconds(before.ru_stime);
            measured.ok = all;
        }
        (void)!write(channel[1], &measured, sizeof measured);
        _exit(0);
    }
    close(channel[1]);
    if (child > 0 && read(channel[0], &growth, sizeof growth) != sizeof growth) {
        growth.ok = false;
    }
    close(channel[0]);
    if (child > 0) {
        waitpid(child, nullptr, 0);
    }
    return growth;
}
