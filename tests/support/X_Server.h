#pragma once
// An Xvfb of a test's own, for what the suite's display cannot show: another
// colour depth, several screens, a server that goes away.

#include <string>
#include <sys/types.h>
#include <vector>

struct Private_X_Server {
    // Starts Xvfb with the screen options given (e.g. {"-screen", "0",
    // "800x600x24"}) on the first free display number, and waits until it
    // accepts connections.
    explicit Private_X_Server(const std::vector<std::string>& screens);
    ~Private_X_Server();
    Private_X_Server(const Private_X_Server&) = delete;
    Private_X_Server& operator=(const Private_X_Server&) = delete;

    bool Started() const { return display.size() > 1; }
    void Stop();

    pid_t pid = -1;
    std::string display; // ":N", or ":" when it did not start
};

// Points $DISPLAY, and with it the test's own connection (Test_Display), the
// programs it starts and xdotool, at another server for its lifetime.
struct Display_Switch {
    explicit Display_Switch(const std::string& display);
    ~Display_Switch();
    Display_Switch(const Display_Switch&) = delete;
    Display_Switch& operator=(const Display_Switch&) = delete;

    std::string old_display;
    bool had_display;
};
