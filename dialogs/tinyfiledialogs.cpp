#include "dialogs/tinyfiledialogs.h"

#include "dialogs/Dialog_Command.h"

#include <string>

namespace {

Dialog_Request Make_Request(char const* title, char const* default_path, int pattern_count,
                            char const* const* patterns, char const* description) {
    Dialog_Request request;
    request.title = title ? title : "";
    request.default_path = default_path ? default_path : "";
    for (int i = 0; i < pattern_count && patterns; ++i) {
        if (patterns[i]) {
            request.patterns.emplace_back(patterns[i]);
        }
    }
    request.description = description ? description : "";
    return request;
}

// Each dialog keeps its last answer alive until it is called again.
char const* Keep(std::string* kept, const std::optional<std::string>& answer) {
    if (!answer) {
        return nullptr;
    }
    *kept = *answer;
    return kept->c_str();
}

} // namespace

char const* tinyfd_openFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                  int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                  char const* aSingleFilterDescription, int aAllowMultipleSelects) {
    static std::string last_answer;
    Dialog_Request request = Make_Request(aTitle, aDefaultPathAndFile, aNumOfFilterPatterns,
                                          aFilterPatterns, aSingleFilterDescription);
    request.multiple = aAllowMultipleSelects != 0;
    return Keep(&last_answer, Show_File_Dialog(request));
}

char const* tinyfd_saveFileDialog(char const* aTitle, char const* aDefaultPathAndFile,
                                  int aNumOfFilterPatterns, char const* const* aFilterPatterns,
                                  char const* aSingleFilterDescription) {
    static std::string last_answer;
    Dialog_Request request = Make_Request(aTitle, aDefaultPathAndFile, aNumOfFilterPatterns,
                                          aFilterPatterns, aSingleFilterDescription);
    request.save = true;
    return Keep(&last_answer, Show_File_Dialog(request));
}
