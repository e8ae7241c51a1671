// The folders' arrows point down: a file includes headers only from its own
// folder and the folders below it, as the build's libraries are linked.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

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
    const std::regex include(R"(^\s*#\s*include\s*"([a-z]+)/)");
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
                std::smatch match;
                if (std::regex_search(line, match, include) && may_use.count(match[1]) != 0) {
                    EXPECT_TRUE(allowed.count(match[1]) != 0)
                        << folder << "/" << entry.path().filename().string() << ":" << number
                        << " includes from " << match[1];
                }
            }
        }
    }
    EXPECT_GT(files, 50); // the folders were found
}

} // namespace
