#include "app/MQ4_Flows.h"

#include "dialogs/tinyfiledialogs.h"
#include "io/MQ4_File.h"

#include <cstdio>

MQ4_Open_Result Open_MQ4_file() {
    MQ4_Open_Result result{Open_Outcome::cancelled, MQ4_Document{}};
    char const* patterns[] = {"*.MQ4"};
    const Dialog_Answer answer =
        tinyfd_openFileDialog("Select a MQ4 file.", "", 1, patterns, nullptr, 0);
    if (answer.outcome == Dialog_Outcome::failed) {
        result.outcome = Open_Outcome::failed; // reported by the dialog
    } else if (answer.outcome == Dialog_Outcome::chosen) {
        result.outcome = Read_MQ4_File(answer.path, &result.document) ? Open_Outcome::opened
                                                                      : Open_Outcome::failed;
    }
    return result;
}

void Save_MQ4_File(const MQ4_Document& doc) {
    std::fputs("Saving file...\n", stderr);
    char const* patterns[] = {"*.MQ4"};
    const Dialog_Answer answer = tinyfd_saveFileDialog("Save MQ4 file.", "", 1, patterns, nullptr);
    if (answer.outcome == Dialog_Outcome::cancelled) {
        std::fputs("Save cancelled by user...\n", stdout);
        std::fflush(stdout);
    } else if (answer.outcome == Dialog_Outcome::chosen && Write_MQ4_File(answer.path, doc)) {
        std::fprintf(stderr, "%s saved.\n", answer.path.c_str());
    }
}
