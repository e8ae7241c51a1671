#include "cli/Convert_Batch.h"

#include "cli/Convert_IO.h"
#include "cli/Shared_Palette.h"
#include "core/Picture_Rules.h"
#include "core/Report.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// A file as the system knows it, whatever path or link leads to it.
using File_Identity = std::pair<dev_t, ino_t>;

std::optional<File_Identity> Identity_Of(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return File_Identity{info.st_dev, info.st_ino};
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

std::string Output_Path(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

bool Names_A_File(const std::string& input) {
    return !input.empty() && !input.ends_with('/');
}

std::string Folder_Problem(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) {
        return "cannot write into " + Quoted(folder) + ": " + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return Quoted(folder) + " is not a folder";
    }
    return "";
}

// Outputs that already exist are compared as files too, so that links to one
// file count as one output and an output reached through a link to an input
// is still that input.
std::string Clash_Problem(const std::vector<Batch_Job>& jobs) {
    std::map<std::string, std::size_t> by_name;
    std::map<File_Identity, std::size_t> by_file;
    std::map<File_Identity, std::size_t> inputs;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (const auto input = Identity_Of(jobs[i].input)) {
            inputs.emplace(*input, i);
        }
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const Batch_Job& job = jobs[i];
        const std::optional<File_Identity> output = Identity_Of(job.output);
        auto [named, fresh_name] = by_name.emplace(job.output, i);
        bool fresh_file = true;
        if (output) {
            fresh_file = by_file.emplace(*output, i).second;
        }
        if (!fresh_name || !fresh_file) {
            const std::size_t first = fresh_name ? by_file[*output] : named->second;
            return Quoted(jobs[first].input) + " and " + Quoted(job.input) +
                   " would both be written to " + Quoted(job.output);
        }
        if (output && inputs.contains(*output)) {
            return Quoted(job.output) + " is the input " + Quoted(jobs[inputs[*output]].input) +
                   " and would be overwritten";
        }
    }
    return "";
}

// Several lines of a reason joined into one.
std::string One_Line(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
        text.replace(at, 1, "; ");
    }
    return text.empty() ? "conversion failed" : text;
}

// A batch's jobs go through one stage, or two for a shared palette: every
// input's working image is read first, then each picture is made from it.
enum class Job_Stage { read_working, convert };

// What became of one job in a stage.
struct Job_Outcome {
    // Converted, or in the reading stage read.
    bool done = false;
    // A failure that ends the batch (out of memory): no job starts after it.
    bool fatal = false;
    // Why it was not done, in one line.
    std::string reason;
    // The working image read in the reading stage.
    std::optional<DTImage> working;
};

// What reading every input ahead gave, for a shared palette.
struct Read_Ahead {
    Batch_Images images;
    // The reason of each input that could not be read, in one line (empty
    // for the others).
    std::vector<std::string> reasons;
};

// What the threads of a batch share in a stage. Jobs start in input order.
struct Batch_Run {
    const std::vector<Batch_Job>& jobs;
    const Convert_Settings& settings;
    // The palette every picture is mapped onto, when one is given or shared.
    const Palette_Colors* palette = nullptr;
    Job_Stage stage = Job_Stage::convert;
    // The inputs read ahead, when the pictures are made from them.
    const Read_Ahead* ahead = nullptr;
    std::mutex mutex{};
    std::condition_variable job_done{};
    std::vector<std::optional<Job_Outcome>> outcomes{};
    std::size_t next = 0;
    bool stopped = false;
    // Last, so that they are joined before anything they use goes.
    std::vector<std::jthread> threads{};
};

// The job's picture: read and converted, or mapped from its working image
// read ahead onto the shared palette.
std::optional<MQ4_Document> Job_Picture(const Batch_Run& run, std::size_t job,
                                        Octree_Workspace& workspace) {
    if (!run.ahead) {
        return Read_Input(run.jobs[job].input, run.settings, run.palette, workspace);
    }
    const std::size_t start = *run.ahead->images.starts[job];
    return Map_Working_Image(Batch_Image(run.ahead->images, start), *run.palette, run.settings);
}

Job_Outcome Run_Job(const Batch_Run& run, std::size_t job, Octree_Workspace& workspace) {
    Job_Outcome outcome;
    if (run.ahead && !run.ahead->images.starts[job]) {
        // It could not be read ahead; it is told now, in its place.
        outcome.reason = run.ahead->reasons[job];
        return outcome;
    }
    // The loaders and writers report to the job, so that its failure can be
    // told on one line that names its file, whatever other jobs report.
    Report_Capture capture;
    try {
        if (run.stage == Job_Stage::read_working) {
            outcome.working = Read_Input_Image(run.jobs[job].input, run.settings);
            outcome.done = outcome.working.has_value();
        } else {
            const std::optional<MQ4_Document> picture = Job_Picture(run, job, workspace);
            outcome.done = picture && Write_Output(run.jobs[job].output, *picture, run.settings);
        }
    } catch (const std::exception& error) {
        outcome.fatal = true;
        if (capture.text.empty()) {
            capture.text = error.what();
        }
    }
    if (!outcome.done) {
        outcome.reason = One_Line(capture.text);
    }
    return outcome;
}

// One thread's work: the next job that has not started, until none is left
// or a job has failed fatally.
void Work(Batch_Run* run) {
    // The thread's own, reused for all its jobs.
    Octree_Workspace workspace;
    for (;;) {
        std::size_t job = 0;
        {
            const std::lock_guard lock(run->mutex);
            if (run->stopped || run->next == run->jobs.size()) {
                return;
            }
            job = run->next++;
        }
        Job_Outcome outcome = Run_Job(*run, job, workspace);
        {
            const std::lock_guard lock(run->mutex);
            run->stopped = run->stopped || outcome.fatal;
            run->outcomes[job] = std::move(outcome);
        }
        run->job_done.notify_all();
    }
}

int Thread_Count(const Convert_Settings& settings, std::size_t jobs) {
    long wanted = settings.jobs;
    if (wanted < 1) {
        wanted = std::max(sysconf(_SC_NPROCESSORS_ONLN), 1L);
    }
    return static_cast<int>(std::min<long>(wanted, static_cast<long>(jobs)));
}

// Starts the run's threads: one runs the jobs as they stand, in this
// thread; more run them side by side while this one takes each outcome in
// input order.
void Start_Threads(Batch_Run* run, int wanted) {
    run->outcomes.resize(run->jobs.size());
    for (int n = 0; wanted > 1 && n < wanted; ++n) {
        try {
            run->threads.emplace_back(Work, run);
        } catch (const std::system_error&) {
            break; // as many as the system gives
        }
    }
}

// The outcome of the job, taken in input order; without threads, this one
// runs it in its workspace.
Job_Outcome Take_Outcome(Batch_Run* run, std::size_t job, Octree_Workspace& workspace) {
    if (run->threads.empty()) {
        return Run_Job(*run, job, workspace);
    }
    std::unique_lock lock(run->mutex);
    run->job_done.wait(lock, [&] { return run->outcomes[job].has_value(); });
    return std::move(*run->outcomes[job]);
}

void Report_Failure(const Batch_Job& job, const std::string& reason) {
    std::fprintf(stderr, "zembrix-convert: %s: %s\n", job.input.c_str(), reason.c_str());
}

// Reads every input's working image, on the batch's threads. After a fatal
// failure, with nothing written, tells the failures before it and it, and
// gives false.
bool Read_Every_Input(const Batch_Plan& plan, const Convert_Settings& settings, Read_Ahead* ahead) {
    Batch_Run run{plan.jobs, settings, nullptr, Job_Stage::read_working};
    Octree_Workspace workspace;
    Start_Threads(&run, Thread_Count(settings, plan.jobs.size()));
    ahead->images.pixels.reserve(plan.jobs.size() * std::size_t{picture_pixels});
    for (std::size_t job = 0; job < plan.jobs.size(); ++job) {
        Job_Outcome outcome = Take_Outcome(&run, job, workspace);
        if (outcome.fatal) {
            for (std::size_t before = 0; before < job; ++before) {
                if (!ahead->images.starts[before]) {
                    Report_Failure(plan.jobs[before], ahead->reasons[before]);
                }
            }
            Report_Failure(plan.jobs[job], outcome.reason);
            return false;
        }
        Add_Batch_Image(&ahead->images, outcome.working);
        ahead->reasons.push_back(std::move(outcome.reason));
    }
    return true;
}

} // namespace

std::string Batch_Output_Name(const std::string& input, Output_Format format) {
    const std::string title = Title_From_Path(input);
    if (format == Output_Format::png) {
        return title.substr(0, title.size() - std::strlen(".MQ4")) + ".png";
    }
    return title;
}

Batch_Plan Plan_Batch(const Convert_Settings& settings) {
    Batch_Plan plan;
    plan.refusal = Folder_Problem(settings.output_dir);
    if (!plan.refusal.empty()) {
        return plan;
    }
    for (const std::string& input : settings.inputs) {
        if (!Names_A_File(input)) {
            plan.refusal = Quoted(input) + " names no file";
            return plan;
        }
        plan.jobs.push_back(
            {input, Output_Path(settings.output_dir, Batch_Output_Name(input, settings.format))});
    }
    plan.refusal = Clash_Problem(plan.jobs);
    if (!plan.refusal.empty()) {
        plan.jobs.clear();
    }
    return plan;
}

Batch_Result Run_Batch(const Convert_Settings& settings, const std::optional<Palette_Colors>& given,
                       const std::vector<DTPixel>& fill_colours) {
    const Batch_Plan plan = Plan_Batch(settings);
    if (!plan.refusal.empty()) {
        std::fprintf(stderr, "zembrix-convert: %s; nothing was converted\n", plan.refusal.c_str());
        return {exit_usage, std::nullopt};
    }
    Read_Ahead ahead;
    std::optional<Palette_Colors> palette = given;
    // A shared palette, or a short given one to fill, is fitted to every
    // input read first, around the colours it keeps.
    Octree_Workspace workspace;
    const bool fitted = settings.shared_palette || !fill_colours.empty();
    if (fitted) {
        if (!Read_Every_Input(plan, settings, &ahead)) {
            return {exit_failure, std::nullopt};
        }
        palette = Fit_Batch_Palette(
            ahead.images, fill_colours.empty() ? settings.kept_colours : fill_colours, workspace);
    }
    Batch_Run run{plan.jobs, settings, palette ? &*palette : nullptr, Job_Stage::convert,
                  fitted ? &ahead : nullptr};
    Start_Threads(&run, Thread_Count(settings, plan.jobs.size()));
    std::size_t converted = 0;
    for (std::size_t job = 0; job < plan.jobs.size(); ++job) {
        const Job_Outcome outcome = Take_Outcome(&run, job, workspace);
        if (outcome.done) {
            ++converted;
            continue;
        }
        Report_Failure(plan.jobs[job], outcome.reason);
        if (outcome.fatal) {
            // The threads finish the jobs they hold and start no more.
            return {exit_failure, palette};
        }
    }
    std::printf("converted %zu of %zu\n", converted, plan.jobs.size());
    return {converted == plan.jobs.size() ? exit_success : exit_failure, palette};
}
