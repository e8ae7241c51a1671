// The folders' arrows point down: a file includes headers only from its own
// folder and the folders below it, as the build's libraries are linked.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

// The folder of a line's project include ("folder/..."), or "" for none.
std::string Included_Folder(const std::string& line) {
    const std::size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line[hash] != '#') {
        return "";
    }
    const std::size_t word = line.find_first_not_of(" \t", hash + 1);
    if (word == std::string::npos || line.compare(word, 7, "include") != 0) {
        return "";
    }
    const std::size_t quote = line.find_first_not_of(" \t", word + 7);
    if (quote == std::string::npos || line[quote] != '"') {
        return "";
    }
    const std::size_t slash = line.find('/', quote);
    return slash == std::string::npos ? "" : line.substr(quote + 1, slash - quote - 1);
}

const std::map<std::string, std::set<std::string>> may_use = {
    {"core", {"core"}},
    {"image", {"core", "image"}},
    {"quant", {"core", "quant"}},
    {"dialogs", {"core", "dialogs"}},
    {"io", {"core", "image", "io"}},
    {"convert", {"core", "quant", "image", "convert"}},
    {"ui", {"core", "ui"}},
    {"app", {"core", "image", "quant", "io", "dialogs", "convert", "ui", "app"}},
    {"cli", {"core", "image", "quant", "io", "convert", "cli"}},
};

TEST(Layout, EveryIncludePointsDown) {
    const std::filesystem::path root = ZEMBRIX_SOURCE_DIR;
    int files = 0;
    for (const auto& [folder, allowed] : may_use) {
        for (const auto& entry : std::filesystem::directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".h" && ext != ".cpp") {
                continue;
            }
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                const std::string used = Included_Folder(line);
                if (may_use.count(used) != 0) {
                    EXPECT_TRUE(allowed.count(used) != 0)
                        << folder << "/" << entry.path().filename().string() << ":" << number
                        << " includes from " << used;
                }
            }
        }
    }
    EXPECT_GT(files, 50); // the folders were found
}

} // namespace
