// The program's top level: the start window, the action it asks for, the
// editor, and back to the start window until the user leaves.

#include "app/Import.h"
#include "app/MQ4_Flows.h"
#include "core/MQ4_Document.h"
#include "dialogs/tinyfiledialogs.h"
#include "ui/Editor.h"
#include "ui/Windows.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

void Say(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void Import_Png(MQ4_Document* current, Octree_Workspace& workspace) {
    char const* patterns[] = {"*.PNG"};
    const Dialog_Answer answer =
        tinyfd_openFileDialog("Select a PNG file.", "", 1, patterns, nullptr, 0);
    if (answer.outcome == Dialog_Outcome::cancelled) {
        Say("User cancelled file opening...\n");
        return;
    }
    if (answer.outcome == Dialog_Outcome::failed) {
        return; // reported; back to the start window as after a cancel
    }
    Say("Loading image\n");
    std::optional<MQ4_Document> chosen = Get_User_Pic(answer.path, workspace);
    if (!chosen) {
        return; // the reason has been printed; back to the start window
    }
    *current = std::move(*chosen);
    MQ4_Editor(current, Save_MQ4_File);
}

void Open_Mq4(MQ4_Document* current) {
    MQ4_Open_Result opened = Open_MQ4_file();
    if (opened.outcome == Open_Outcome::cancelled) {
        Say("User cancelled file opening...\n");
        return;
    }
    if (opened.outcome == Open_Outcome::failed) {
        return; // the reader has said why
    }
    *current = std::move(opened.document);
    std::printf("document_name: %s", current->document_name->c_str());
    std::fflush(stdout);
    MQ4_Editor(current, Save_MQ4_File);
}

} // namespace

int main() try {
    MQ4_Document current;
    // Every import reduces colours here, reusing the memory of the last.
    Octree_Workspace workspace;
    for (;;) {
        switch (Root_Window_Choice()) {
        case root_import_png:
            Import_Png(&current, workspace);
            break;
        case root_open_mq4:
            Open_Mq4(&current);
            break;
        default:
            std::fputs("Exiting app...\n", stderr);
            return 0;
        }
    }
} catch (const std::bad_alloc&) {
    // What ran out has said so.
    return EXIT_FAILURE;
}
