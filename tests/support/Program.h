#pragma once
// Starting one of the built programs with its output captured in files.

#include <string>
#include <sys/types.h>
#include <vector>

std::string Built_Program(const std::string& name); // path under the build folder

struct Program_Run {
    pid_t pid = -1;
    std::string stdout_path;
    std::string stderr_path;
    int exit_status = -1; // set by Wait_For_Exit
};

// Starts the program with extra "NAME=value" settings added to the environment.
Program_Run Start_Program(const std::string& path, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment,
                          const std::string& output_dir);

// Waits up to the timeout; false when the program is still running.
bool Wait_For_Exit(Program_Run* run, int timeout_ms);

// Ends a program that is still running.
void Kill_Program(Program_Run* run);

std::string Stdout_Of(const Program_Run& run);
std::string Stderr_Of(const Program_Run& run);

// Polls the program's standard output until it contains the text.
bool Wait_For_Stdout(const Program_Run& run, const std::string& text, int timeout_ms);

struct Converter_Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built zembrix-convert to completion (failing the test if it hangs).
Converter_Result Run_Converter(const std::vector<std::string>& arguments);

// Runs a command to completion, giving its exit status and standard output.
int Run_Command(const std::vector<std::string>& arguments, std::string* output = nullptr);

void Sleep_Ms(int ms);
