#pragma once
// Building the dialog program's command line and running it without a shell.

#include <optional>
#include <string>
#include <vector>

struct Dialog_Request {
    std::string title;
    std::string default_path;
    std::vector<std::string> patterns;
    std::string description;
    bool save = false;
    bool multiple = false;
};

// "*.PNG" also offers "*.png": patterns match the extension in any case.
std::vector<std::string> Both_Case_Patterns(const std::vector<std::string>& patterns);

std::vector<std::string> Zenity_Arguments(const Dialog_Request& request);
std::vector<std::string> Kdialog_Arguments(const Dialog_Request& request);

// Runs the program found on PATH with the arguments, no shell involved.
// Gives its standard output when it exits with status 0, nothing on any other
// end; `missing` tells whether the program could not be found at all.
std::optional<std::string> Run_Dialog_Program(const std::vector<std::string>& arguments,
                                              bool* missing);

// Shows the dialog with zenity, falling back to kdialog; null on cancel.
std::optional<std::string> Show_File_Dialog(const Dialog_Request& request);
