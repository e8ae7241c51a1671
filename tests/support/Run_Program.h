#pragma once
// Runs a program to completion and collects what it printed.

#include <string>
#include <vector>

struct Program_Result {
    // The exit status, or -1 if the program did not exit normally.
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program with the arguments (not counting its own name), standard
// input from /dev/null and both outputs captured.
Program_Result Run_Program(const std::string& program, const std::vector<std::string>& args);
