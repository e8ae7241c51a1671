#pragma once
// The file dialogs: the dialog program's command line built without a shell,
// and the program run to get the user's answer.

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

// A dialog with a title and patterns, starting in the current folder.
Dialog_Request Open_Request(const std::string& title, const std::vector<std::string>& patterns);
Dialog_Request Save_Request(const std::string& title, const std::vector<std::string>& patterns);

enum class Dialog_Outcome { chosen, cancelled, failed };

struct Dialog_Answer {
    Dialog_Outcome outcome = Dialog_Outcome::cancelled;
    std::string path;   // what was chosen
    std::string reason; // why no dialog could be shown
};

// "*.PNG" becomes "*.[pP][nN][gG]": the dialog programs compare names with
// the case they are given, and a file may be called Photo.Png.
std::string Any_Case_Pattern(const std::string& pattern);

std::vector<std::string> Zenity_Arguments(const Dialog_Request& request);
std::vector<std::string> Kdialog_Arguments(const Dialog_Request& request);

// Runs the program found on PATH with the arguments, no shell involved.
// Status 0 with an answer is a choice, status 1 a cancel; any other end
// (another status, a signal, a program that cannot be started) is a failure
// with its reason. `missing` tells whether the program could not be found.
Dialog_Answer Run_Dialog_Program(const std::vector<std::string>& arguments, bool* missing);

// Shows the dialog with zenity, falling back to kdialog where zenity is not
// installed. A dialog that cannot be shown is reported on standard error as
// "Could not show the file dialog: REASON".
Dialog_Answer Show_File_Dialog(const Dialog_Request& request);
