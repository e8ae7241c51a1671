// The real program on a private X server that is then shut down: one clear
// line and exit status 1, instead of Xlib's own text.

#include <gtest/gtest.h>

#include "support/App_Session.h"

#include <X11/Xlib.h>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// An Xvfb of its own, on the first free display number it finds.
struct Private_X_Server {
    pid_t pid = -1;
    std::string display; // ":N"

    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 3);
            // Its own notices would only clutter the test's output.
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0",
                   "800x600x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Not ":" + Read_Line(...): GCC 12 at -O3 reports a false -Wrestrict
        // overlap for a short literal put in front of a temporary string.
        const std::string number = Read_Line(fds[0]);
        display = ":" + number;
        close(fds[0]);
        return display.size() > 1;
    }

    // The display number Xvfb writes once it accepts connections.
    static std::string Read_Line(int fd) {
        std::string line;
        pollfd wait{fd, POLLIN, 0};
        char c = 0;
        while (poll(&wait, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }

    ~Private_X_Server() { Stop(); }
};

// Whether a top-level window with the title appears on the display in time.
bool Wait_For_Title(const std::string& display_name, const std::string& title) {
    Display* display = XOpenDisplay(display_name.c_str());
    if (!display) {
        return false;
    }
    bool found = false;
    for (int waited = 0; waited <= 10000 && !found; waited += 25) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) && name) {
                found = title == name;
                XFree(name);
            }
        }
        if (children) {
            XFree(children);
        }
        if (!found) {
            Sleep_Ms(25);
        }
    }
    XCloseDisplay(display);
    return found;
}

} // namespace

TEST(LostDisplay, EndsTheProgramWithOneLine) {
    Private_X_Server server;
    ASSERT_TRUE(server.Start()) << "Xvfb did not start";
    Temp_Dir dir;
    Program_Run run =
        Start_Program(Built_Program("zembrix"), {}, {"DISPLAY=" + server.display}, dir.path);
    ASSERT_TRUE(Wait_For_Title(server.display, start_window_title)) << Stderr_Of(run);

    server.Stop();
    const bool ended = Wait_For_Exit(&run, 10000);
    if (!ended) {
        Kill_Program(&run);
    }
    ASSERT_TRUE(ended) << "the program did not notice";
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(Stderr_Of(run), "Lost the connection to the X server\n");
    EXPECT_EQ(Stdout_Of(run), "");
}
