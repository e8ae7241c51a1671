#include "dialogs/tinyfiledialogs.h"

#include <string>
#include <vector>

namespace {

std::string Text(char const* text) {
    return text ? text : "";
}

std::vector<std::string> Patterns(int count, char const* const* patterns) {
    std::vector<std::string> list;
    for (int i = 0; i < count && patterns; ++i) {
        if (patterns[i]) {
            list.emplace_back(patterns[i]);
        }
    }
    return list;
}

} // namespace

Dialog_Answer tinyfd_openFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                    int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                    char const* aSingleFilterDescription,
                                    int aAllowMultipleSelects) {
    Dialog_Request request =
        Open_Request(Text(aTitle), Patterns(aNumOfFilterPatterns, aFilterPatterns));
    request.default_path = Text(aDefaultPathAndFile);
    request.description = Text(aSingleFilterDescription);
    request.multiple = aAllowMultipleSelects != 0;
    return Show_File_Dialog(request);
}

Dialog_Answer tinyfd_saveFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                    int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                    char const* aSingleFilterDescription) {
    Dialog_Request request =
        Save_Request(Text(aTitle), Patterns(aNumOfFilterPatterns, aFilterPatterns));
    request.default_path = Text(aDefaultPathAndFile);
    request.description = Text(aSingleFilterDescription);
    return Show_File_Dialog(request);
}
