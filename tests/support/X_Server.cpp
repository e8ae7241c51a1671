#include "support/X_Server.h"

#include "support/X_Driver.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The display number Xvfb writes once it accepts connections.
std::string Read_Line(int fd) {
    std::string line;
    pollfd wait{fd, POLLIN, 0};
    char c = 0;
    while (poll(&wait, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

} // namespace

Private_X_Server::Private_X_Server(const std::vector<std::string>& screens) {
    int fds[2];
    if (pipe(fds) != 0) {
        // A display no connection can reach. Not display = ":": GCC 12 at -O3
        // reports a false -Wrestrict overlap for that assignment here.
        display.assign(1, ':');
        return;
    }
    std::vector<std::string> arguments;
    for (const char* fixed : {"Xvfb", "-displayfd", "3", "-nolisten", "tcp"}) {
        arguments.emplace_back(fixed);
    }
    arguments.insert(arguments.end(), screens.begin(), screens.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        // A test that dies before it can stop the server takes it along.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(fds[1], 3);
        // Its own notices would only clutter the test's output.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 2);
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(fds[1]);
    // Not ":" + Read_Line(...): GCC 12 at -O3 reports a false -Wrestrict
    // overlap for a short literal put in front of a temporary string.
    const std::string number = Read_Line(fds[0]);
    display = ":" + number;
    close(fds[0]);
}

void Private_X_Server::Stop() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

Private_X_Server::~Private_X_Server() {
    Stop();
}

Display_Switch::Display_Switch(const std::string& display) {
    const char* old = std::getenv("DISPLAY");
    had_display = old != nullptr;
    old_display = old ? old : "";
    setenv("DISPLAY", display.c_str(), 1);
    Close_Test_Display();
}

Display_Switch::~Display_Switch() {
    Close_Test_Display();
    if (had_display) {
        setenv("DISPLAY", old_display.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}
