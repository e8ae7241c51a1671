#include "dialogs/Dialog_Command.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

Dialog_Request Open_Request(const std::string& title, const std::vector<std::string>& patterns) {
    Dialog_Request request;
    request.title = title;
    request.patterns = patterns;
    return request;
}

Dialog_Request Save_Request(const std::string& title, const std::vector<std::string>& patterns) {
    Dialog_Request request = Open_Request(title, patterns);
    request.save = true;
    return request;
}

std::string Any_Case_Pattern(const std::string& pattern) {
    std::string result;
    bool in_brackets = false; // a [...] set of the pattern is kept as it is
    for (const char c : pattern) {
        const auto byte = static_cast<unsigned char>(c);
        if (in_brackets || c == '[') {
            in_brackets = c != ']';
            result += c;
        } else if (std::isalpha(byte)) {
            result += {'[', static_cast<char>(std::tolower(byte)),
                       static_cast<char>(std::toupper(byte)), ']'};
        } else {
            result += c;
        }
    }
    return result;
}

namespace {

std::string Any_Case_Patterns(const std::vector<std::string>& patterns) {
    std::vector<std::string> any_case;
    for (const std::string& pattern : patterns) {
        any_case.push_back(Any_Case_Pattern(pattern));
    }
    return Join(any_case, " ");
}

} // namespace

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
        arguments.push_back("--file-filter=" + Filter_Name(request) + " | " +
                            Any_Case_Patterns(request.patterns));
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
        arguments.push_back(Any_Case_Patterns(request.patterns));
    }
    if (request.multiple && !request.save) {
        arguments.push_back("--multiple");
        arguments.push_back("--separate-output");
    }
    return arguments;
}

namespace {

Dialog_Answer Failed(std::string reason) {
    return Dialog_Answer{Dialog_Outcome::failed, "", std::move(reason)};
}

// How the program ended, when that was not a choice or a cancel.
std::string End_Reason(const std::string& program, int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return program + " was ended by signal " + std::to_string(signal) + " (" +
               strsignal(signal) + ")";
    }
    return program + " ended with status " + std::to_string(WEXITSTATUS(status));
}

} // namespace

Dialog_Answer Run_Dialog_Program(const std::vector<std::string>& arguments, bool* missing) {
    *missing = false;
    const std::string& program = arguments.front();
    Pipe output;
    if (pipe2(output.fds, O_CLOEXEC) != 0) {
        return Failed(std::strerror(errno));
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
        return Failed(program + ": " + std::strerror(spawned));
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
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        return Failed(End_Reason(program, status));
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    // Status 1 is the user's cancel; status 0 without a name chose nothing.
    if (WEXITSTATUS(status) == 1 || text.empty()) {
        return Dialog_Answer{};
    }
    return Dialog_Answer{Dialog_Outcome::chosen, text, ""};
}

Dialog_Answer Show_File_Dialog(const Dialog_Request& request) {
    bool missing = false;
    Dialog_Answer answer = Run_Dialog_Program(Zenity_Arguments(request), &missing);
    if (missing) {
        answer = Run_Dialog_Program(Kdialog_Arguments(request), &missing);
        if (missing) {
            answer.reason = "neither zenity nor kdialog is installed (install zenity)";
        }
    }
    if (answer.outcome == Dialog_Outcome::failed) {
        std::fprintf(stderr, "Could not show the file dialog: %s\n", answer.reason.c_str());
    }
    return answer;
}
