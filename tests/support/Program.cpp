#include <gtest/gtest.h>

#include "support/Program.h"

#include "support/Temp_Dir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> C_Strings(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (const std::string& s : strings) {
        pointers.push_back(const_cast<char*>(s.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> Environment_With(const std::vector<std::string>& extra) {
    std::vector<std::string> all;
    for (char** entry = environ; *entry; ++entry) {
        const std::string setting = *entry;
        const std::string name = setting.substr(0, setting.find('='));
        bool replaced = false;
        for (const std::string& e : extra) {
            replaced = replaced || e.substr(0, e.find('=')) == name;
        }
        if (!replaced) {
            all.push_back(setting);
        }
    }
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
}

} // namespace

std::string Built_Program(const std::string& name) {
    return std::string(ZEMBRIX_BINARY_DIR) + "/" + name;
}

void Sleep_Ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Program_Run Start_Program(const std::string& path, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment,
                          const std::string& output_dir) {
    Program_Run run;
    run.stdout_path = output_dir + "/stdout.txt";
    run.stderr_path = output_dir + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, run.stdout_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, run.stderr_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv = {path};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const std::vector<std::string> env = Environment_With(environment);
    const int failed = posix_spawn(&run.pid, path.c_str(), &actions, nullptr,
                                   C_Strings(argv).data(), C_Strings(env).data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        throw std::runtime_error("could not start " + path);
    }
    return run;
}

bool Wait_For_Exit(Program_Run* run, int timeout_ms) {
    if (run->pid < 0) {
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(run->pid, &status, WNOHANG);
        if (done == run->pid) {
            run->exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            run->pid = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        Sleep_Ms(10);
    }
}

void Kill_Program(Program_Run* run) {
    if (run->pid > 0) {
        kill(run->pid, SIGKILL);
        Wait_For_Exit(run, 5000);
    }
}

std::string Stdout_Of(const Program_Run& run) {
    return Read_Text(run.stdout_path);
}
std::string Stderr_Of(const Program_Run& run) {
    return Read_Text(run.stderr_path);
}

bool Wait_For_Stdout(const Program_Run& run, const std::string& text, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 20) {
        if (Stdout_Of(run).find(text) != std::string::npos) {
            return true;
        }
        Sleep_Ms(20);
    }
    return false;
}

int Run_Command(const std::vector<std::string>& arguments, std::string* output) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, arguments[0].c_str(), &actions, nullptr,
                                    C_Strings(arguments).data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while (!failed &&
           ((got = read(pipe_fds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))) {
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(pipe_fds[0]);
    if (failed) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (output) {
        *output = text;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Converter_Result Run_Converter(const std::vector<std::string>& arguments) {
    Temp_Dir outputs;
    Program_Run run = Start_Program(Built_Program("zembrix-convert"), arguments, {}, outputs.path);
    if (!Wait_For_Exit(&run, 20000)) {
        Kill_Program(&run);
        ADD_FAILURE() << "zembrix-convert did not finish";
    }
    return {run.exit_status, Stdout_Of(run), Stderr_Of(run)};
}
