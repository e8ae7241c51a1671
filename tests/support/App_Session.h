#pragma once
// One run of the real program under the test's X display, with a stub zenity
// first on PATH that answers its file dialogs from a queue.

#include "support/Program.h"
#include "support/Temp_Dir.h"
#include "support/X_Driver.h"

#include <string>
#include <vector>

constexpr const char* start_window_title = "Zembrix Image Converter";

struct App_Session {
    App_Session();
    ~App_Session();
    App_Session(const App_Session&) = delete;
    App_Session& operator=(const App_Session&) = delete;

    // The next dialog's answer: a path, or "CANCEL".
    void Queue_Answer(const std::string& answer);
    // The arguments of each dialog shown so far, first call first.
    std::vector<std::vector<std::string>> Dialog_Calls() const;

    void Start(const std::string& program = "zembrix");
    // Waits for the start window to be shown.
    Window Start_Window();
    // Waits until the program's standard output holds the text `count` times.
    bool Wait_For_Said(const std::string& text, int count = 1, int timeout_ms = 10000);
    // Waits until the program's standard error holds the text.
    bool Wait_For_Error(const std::string& text, int timeout_ms = 10000);
    // Waits for the program to end (it must), giving its exit status.
    int Finish(int timeout_ms = 10000);

    Temp_Dir dir;
    std::string stub_dir;
    Program_Run run;
};
