#include <gtest/gtest.h>

#include "support/App_Session.h"

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

App_Session::App_Session() {
    stub_dir = dir.file("dialogs");
    mkdir(stub_dir.c_str(), 0755);
    Write_Text(stub_dir + "/answers", "");
}

App_Session::~App_Session() {
    Kill_Program(&run);
}

void App_Session::Queue_Answer(const std::string& answer) {
    Write_Text(stub_dir + "/answers", Read_Text(stub_dir + "/answers") + answer + "\n");
}

std::vector<std::vector<std::string>> App_Session::Dialog_Calls() const {
    std::vector<std::vector<std::string>> calls;
    std::istringstream lines(Read_Text(stub_dir + "/calls"));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> arguments;
        std::size_t start = 0;
        for (std::size_t tab = line.find('\t'); tab != std::string::npos;
             tab = line.find('\t', start)) {
            arguments.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        calls.push_back(arguments);
    }
    return calls;
}

void App_Session::Start(const std::string& program) {
    const char* path = std::getenv("PATH");
    const std::string stub_bin = std::string(ZEMBRIX_SOURCE_DIR) + "/tests/support/stub-bin";
    run = Start_Program(
        Built_Program(program), {},
        {"PATH=" + stub_bin + ":" + (path ? path : "/usr/bin:/bin"), "ZENITY_STUB_DIR=" + stub_dir},
        dir.path);
}

Window App_Session::Start_Window() {
    const Window window = Find_Window(start_window_title);
    EXPECT_NE(window, 0u) << "no start window; stderr: " << Stderr_Of(run);
    return window;
}

bool App_Session::Wait_For_Said(const std::string& text, int count, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 20) {
        const std::string said = Stdout_Of(run);
        int found = 0;
        for (std::size_t at = said.find(text); at != std::string::npos;
             at = said.find(text, at + text.size())) {
            ++found;
        }
        if (found >= count) {
            return true;
        }
        Sleep_Ms(20);
    }
    return false;
}

int App_Session::Finish(int timeout_ms) {
    EXPECT_TRUE(Wait_For_Exit(&run, timeout_ms)) << "the program did not end";
    return run.exit_status;
}

bool App_Session::Wait_For_Error(const std::string& text, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 20) {
        if (Stderr_Of(run).find(text) != std::string::npos) {
            return true;
        }
        Sleep_Ms(20);
    }
    return false;
}
