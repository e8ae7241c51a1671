#include "cli/Convert_Batch.h"

#include "app/Report.h"
#include "app/misc.h"
#include "cli/Convert_Tool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <sys/stat.h>
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

bool Run_Job(const Batch_Job& job, const Convert_Args& args, std::string* reason) {
    // The loaders and writers report to the job, so that its failure can be
    // told on one line that names its file.
    Report_Capture capture;
    const std::optional<MQ4_Document> picture = Read_Input(job.input, args.slot);
    const bool done = picture && Write_Output(job.output, *picture, args.scale);
    *reason = One_Line(capture.text);
    return done;
}

} // namespace

std::string Batch_Output_Name(const std::string& input, Output_Format format) {
    const std::string title = Title_From_Path(input);
    if (format == Output_Format::png) {
        return title.substr(0, title.size() - std::strlen(".MQ4")) + ".png";
    }
    return title;
}

Batch_Plan Plan_Batch(const Convert_Args& args) {
    Batch_Plan plan;
    plan.refusal = Folder_Problem(args.output_dir);
    if (!plan.refusal.empty()) {
        return plan;
    }
    for (const std::string& input : args.inputs) {
        if (!Names_A_File(input)) {
            plan.refusal = Quoted(input) + " names no file";
            return plan;
        }
        plan.jobs.push_back(
            {input, Output_Path(args.output_dir, Batch_Output_Name(input, args.format))});
    }
    plan.refusal = Clash_Problem(plan.jobs);
    if (!plan.refusal.empty()) {
        plan.jobs.clear();
    }
    return plan;
}

int Run_Batch(const Convert_Args& args) {
    const Batch_Plan plan = Plan_Batch(args);
    if (!plan.refusal.empty()) {
        std::fprintf(stderr, "zembrix-convert: %s; nothing was converted\n", plan.refusal.c_str());
        return exit_usage;
    }
    std::size_t converted = 0;
    for (const Batch_Job& job : plan.jobs) {
        std::string reason;
        if (Run_Job(job, args, &reason)) {
            ++converted;
        } else {
            std::fprintf(stderr, "zembrix-convert: %s: %s\n", job.input.c_str(), reason.c_str());
        }
    }
    std::printf("converted %zu of %zu\n", converted, plan.jobs.size());
    return converted == plan.jobs.size() ? exit_success : exit_failure;
}
