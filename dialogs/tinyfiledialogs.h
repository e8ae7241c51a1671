#pragma once
// Native file dialogs through the desktop's dialog program (zenity, or kdialog
// where zenity is missing). Each returns the chosen path, or null when the
// user cancels; the text stays valid until the next call of the same dialog.

char const* tinyfd_openFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                  int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                  char const* aSingleFilterDescription, int aAllowMultipleSelects);

char const* tinyfd_saveFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                  int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                  char const* aSingleFilterDescription);
