#include "dialogs/Dialog_Command.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string Join(const std::vector<std::string>& words, const char* separator) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) {
            text += separator;
        }
        text += word;
    }
    return text;
}

std::string Changed_Case(std::string text, int (*change)(int)) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [change](unsigned char c) { return static_cast<char>(change(c)); });
    return text;
}

std::string Filter_Name(const Dialog_Request& request) {
    return request.description.empty() ? Join(request.patterns, " ") : request.description;
}

struct Pipe {
    int fds[2] = {-1, -1};
    ~Pipe() {
        for (int fd : fds) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
};

} // namespace

std::vector<std::string> Both_Case_Patterns(const std::vector<std::string>& patterns) {
    std::vector<std::string> all;
    auto add = [&all](const std::string& pattern) {
        if (std::find(all.begin(), all.end(), pattern) == all.end()) {
            all.push_back(pattern);
        }
    };
    for (const std::string& pattern : patterns) {
        add(pattern);
        add(Changed_Case(pattern, ::toupper));
        add(Changed_Case(pattern, ::tolower));
    }
    return all;
}

std::vector<std::string> Zenity_Arguments(const Dialog_Request& request) {
    std::vector<std::string> arguments = {"zenity", "--file-selection", "--title=" + request.title};
    if (request.save) {
        arguments.push_back("--save");
        arguments.push_back("--confirm-overwrite");
    }
    if (request.multiple) {
        arguments.push_back("--multiple");
        arguments.push_back("--separator=|");
    }
    if (!request.default_path.empty()) {
        arguments.push_back("--filename=" + request.default_path);
    }
    if (!request.patterns.empty()) {
        const std::vector<std::string> patterns = Both_Case_Patterns(request.patterns);
        arguments.push_back("--file-filter=" + Filter_Name(request) + " | " + Join(patterns, " "));
    }
    return arguments;
}

std::vector<std::string> Kdialog_Arguments(const Dialog_Request& request) {
    std::vector<std::string> arguments = {"kdialog", "--title", request.title};
    if (request.save) {
        arguments.push_back("--getsavefilename");
    } else {
        arguments.push_back("--getopenfilename");
    }
    arguments.push_back(request.default_path.empty() ? "." : request.default_path);
    if (!request.patterns.empty()) {
        arguments.push_back(Join(Both_Case_Patterns(request.patterns), " "));
    }
    if (request.multiple && !request.save) {
        arguments.push_back("--multiple");
        arguments.push_back("--separate-output");
    }
    return arguments;
}

std::optional<std::string> Run_Dialog_Program(const std::vector<std::string>& arguments,
                                              bool* missing) {
    *missing = false;
    Pipe output;
    if (pipe2(output.fds, O_CLOEXEC) != 0) {
        std::perror("Could not start the file dialog");
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output.fds[1], STDOUT_FILENO);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        *missing = spawned == ENOENT;
        return std::nullopt;
    }
    close(output.fds[1]);
    output.fds[1] = -1;

    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(output.fds[0], buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    if (text.empty()) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> Show_File_Dialog(const Dialog_Request& request) {
    bool missing = false;
    std::optional<std::string> answer = Run_Dialog_Program(Zenity_Arguments(request), &missing);
    if (!missing) {
        return answer;
    }
    answer = Run_Dialog_Program(Kdialog_Arguments(request), &missing);
    if (missing) {
        std::fputs("No file dialog available: install zenity to choose files\n", stderr);
    }
    return answer;
}
