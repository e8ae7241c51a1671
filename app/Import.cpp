#include "app/Import.h"

#include "convert/Conversion.h"
#include "core/Picture_Rules.h"
#include "ui/Windows.h"

std::optional<MQ4_Document> Get_User_Pic(const std::string& path, Octree_Workspace& workspace) {
    // One load serves all four candidates: each conversion reads the same file
    // and would see the same pixels.
    std::optional<Candidates> candidates = Load_Candidates(path, workspace);
    if (!candidates) {
        return std::nullopt;
    }
    const std::string title = Title_From_Path(path);
    for (MQ4_Document& candidate : *candidates) {
        candidate.file_title = title;
    }
    const Candidates& c = *candidates;
    const MQ4_Document* chosen = Choice_Window({&c[0], &c[1], &c[2], &c[3]});
    if (!chosen) {
        return std::nullopt;
    }
    return *chosen;
}
