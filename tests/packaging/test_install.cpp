// cmake --install into a staging folder, the files it puts there, and the
// checks that desktops and man apply to them.

#include <gtest/gtest.h>

#include "packaging/Icon.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

const std::vector<std::string> installed_files = {
    "bin/zembrix",
    "bin/zembrix-convert",
    "share/applications/zembrix.desktop",
    "share/icons/hicolor/128x128/apps/zembrix.png",
    "share/icons/hicolor/256x256/apps/zembrix.png",
    "share/icons/hicolor/48x48/apps/zembrix.png",
    "share/man/man1/zembrix-convert.1.gz",
    "share/man/man1/zembrix.1.gz",
};

// Every entry under the folder, relative to it, sorted; folders end in '/'.
std::vector<std::string> Tree_Of(const std::string& folder) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string name = std::filesystem::relative(entry.path(), folder).string();
        entries.push_back(entry.is_directory() && !entry.is_symlink() ? name + "/" : name);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The files, and the folders that lead to them, as Tree_Of lists them.
std::vector<std::string> Tree_With_Folders(const std::string& top,
                                           const std::vector<std::string>& files) {
    std::vector<std::string> entries;
    for (const std::string& file : files) {
        const std::string path = top + file;
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1)) {
            entries.push_back(path.substr(0, slash + 1));
        }
        entries.push_back(path);
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    return entries;
}

// What the command says on standard output and standard error together.
int Run_Shell(const std::string& script, const std::vector<std::string>& arguments,
              std::string* output) {
    std::vector<std::string> command = {"sh", "-c", script, "sh"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return Run_Command(command, output);
}

// Runs of spaces made one, as justified text has them.
std::string Squeezed(const std::string& text) {
    std::string result;
    for (const char c : text) {
        if (c != ' ' || result.empty() || result.back() != ' ') {
            result += c;
        }
    }
    return result;
}

struct Installed : testing::Test {
    static inline Temp_Dir* staging = nullptr;
    static inline std::string install_log;
    static inline int install_status = -1;
    static constexpr const char* prefix = "/opt/zembrix-test";

    static void SetUpTestSuite() {
        staging = new Temp_Dir;
        install_status =
            Run_Shell("DESTDIR=\"$1\" \"$2\" --install \"$3\" --prefix \"$4\" 2>&1",
                      {staging->path, ZEMBRIX_CMAKE, ZEMBRIX_BINARY_DIR, prefix}, &install_log);
    }
    static void TearDownTestSuite() {
        delete staging;
        staging = nullptr;
    }
    void SetUp() override { ASSERT_EQ(install_status, 0) << install_log; }

    static std::string Path(const std::string& file) { return staging->path + prefix + "/" + file; }
};

} // namespace

TEST_F(Installed, ExactlyTheExpectedFilesUnderThePrefix) {
    EXPECT_EQ(Tree_Of(staging->path),
              Tree_With_Folders(std::string(prefix).substr(1) + "/", installed_files));
    for (const std::string program : {"bin/zembrix", "bin/zembrix-convert"}) {
        struct stat info {};
        ASSERT_EQ(stat(Path(program).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0755u) << program;
    }
    std::string version;
    EXPECT_EQ(Run_Command({Path("bin/zembrix-convert"), "--version"}, &version), 0);
    EXPECT_EQ(version, "zembrix-convert " ZEMBRIX_VERSION "\n");
}

TEST_F(Installed, DesktopEntryValidatesAndMatchesTheWindows) {
    const std::string entry = Path("share/applications/zembrix.desktop");
    std::string output;
    EXPECT_EQ(Run_Shell("desktop-file-validate \"$1\" 2>&1", {entry}, &output), 0);
    EXPECT_EQ(output, "");
    const std::string text = Read_Text(entry);
    for (const std::string line : {"\nExec=zembrix\n", "\nIcon=zembrix\n",
                                   "\nStartupWMClass=Zembrix\n", "\nType=Application\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST_F(Installed, IconsAreTheLogoAtEachSize) {
    for (const int size : {48, 128, 256}) {
        SCOPED_TRACE(size);
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::optional<DTImage> icon =
            CreateImageFromFile(Path("share/icons/hicolor/" + name + "/apps/zembrix.png").c_str());
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->type, DTImageTypePNG);
        EXPECT_EQ(icon->width, size);
        EXPECT_EQ(icon->height, size);
        EXPECT_EQ(icon->pixels, Icon_Image(size).pixels);
    }
}

TEST_F(Installed, ManPagesRenderWithoutWarnings) {
    for (const std::string page : {"zembrix", "zembrix-convert"}) {
        SCOPED_TRACE(page);
        const std::string path = Path("share/man/man1/" + page + ".1.gz");
        std::string warnings;
        EXPECT_EQ(Run_Shell("MANWIDTH=80 man --warnings -E UTF-8 -l \"$1\" 2>&1 >/dev/null", {path},
                            &warnings),
                  0);
        EXPECT_EQ(warnings, "");
        std::string text;
        EXPECT_EQ(
            Run_Shell("MANWIDTH=80 man -E UTF-8 -l \"$1\" 2>/dev/null | col -bx", {path}, &text),
            0);
        text = Squeezed(text);
        EXPECT_NE(text.find("\nNAME\n " + page + " - "), std::string::npos) << text;
        EXPECT_NE(text.find("\nSYNOPSIS\n " + page), std::string::npos) << text;
    }
    // The source pages are what was installed.
    std::string source;
    Run_Shell("gzip -dc \"$1\"", {Path("share/man/man1/zembrix-convert.1.gz")}, &source);
    EXPECT_EQ(source, Read_Text(ZEMBRIX_SOURCE_DIR "/packaging/zembrix-convert.1"));
}
