#pragma once
// The two file dialogs the program asks for, with the arguments of the
// tinyfiledialogs library they stand in for. Unlike that library's null
// answer, each tells a cancel from a dialog that could not be shown (which
// has been reported on standard error).

#include "dialogs/Dialog_Command.h"

Dialog_Answer tinyfd_openFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                    int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                    char const* aSingleFilterDescription,
                                    int aAllowMultipleSelects);

Dialog_Answer tinyfd_saveFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                    int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                    char const* aSingleFilterDescription);
