// The Debian package that make package builds, made here with cpack into a
// folder of the test's own.

#include <gtest/gtest.h>

#include "support/Program.h"
#include "support/Temp_Dir.h"

#include <set>
#include <sstream>

namespace {

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

// Package names of a Depends field, without their versions.
std::set<std::string> Package_Names(const std::string& depends) {
    std::set<std::string> names;
    std::istringstream stream(depends);
    for (std::string item; std::getline(stream, item, ',');) {
        const std::vector<std::string> words = Words(item);
        if (!words.empty()) {
            names.insert(words[0]);
        }
    }
    return names;
}

struct Deb_Package : testing::Test {
    static inline Temp_Dir* folder = nullptr;
    static inline std::string deb;
    static inline std::string log;

    static void SetUpTestSuite() {
        folder = new Temp_Dir;
        const int status =
            Run_Command({"sh", "-c", "\"$1\" --config \"$2\" -B \"$3\" 2>&1", "sh", ZEMBRIX_CPACK,
                         ZEMBRIX_BINARY_DIR "/CPackConfig.cmake", folder->path},
                        &log);
        for (const std::string& name : List_Dir(folder->path)) {
            if (status == 0 && name.ends_with(".deb")) {
                deb = folder->file(name);
            }
        }
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override { ASSERT_FALSE(deb.empty()) << log; }

    static std::string Field(const std::string& name) {
        std::string value;
        EXPECT_EQ(Run_Command({"dpkg-deb", "-f", deb, name}, &value), 0);
        return Trimmed(value);
    }
};

} // namespace

TEST_F(Deb_Package, NamedAndDescribedForDpkg) {
    std::string architecture;
    ASSERT_EQ(Run_Command({"dpkg", "--print-architecture"}, &architecture), 0);
    architecture = Trimmed(architecture);
    EXPECT_EQ(deb, folder->file("zembrix_" ZEMBRIX_VERSION "-1_" + architecture + ".deb"));
    EXPECT_EQ(Field("Package"), "zembrix");
    EXPECT_EQ(Field("Version"), ZEMBRIX_VERSION "-1");
    EXPECT_EQ(Field("Architecture"), architecture);
    EXPECT_EQ(Field("Section"), "graphics");
    EXPECT_NE(Field("Maintainer"), "");
    EXPECT_EQ(Field("Description").rfind("16-colour picture converter", 0), 0u);
}

TEST_F(Deb_Package, DependsOnTheLibrariesAndTheDialogsAndRecommendsTheFont) {
    const std::set<std::string> depends = Package_Names(Field("Depends"));
    for (const std::string needed :
         {"libc6", "libx11-6", "libpng16-16", "zenity", "libwebp7", "libwebpdemux2", "libheif1",
          "libgif7", "libtiff6", "liblcms2-2"}) {
        EXPECT_TRUE(depends.contains(needed)) << needed << " missing from " << Field("Depends");
    }
    // The windows fall back to the server's default font without it.
    EXPECT_FALSE(depends.contains("xfonts-base"));
    EXPECT_EQ(Field("Recommends"), "xfonts-base");
}

TEST_F(Deb_Package, ChangelogNamesThisVersion) {
    Temp_Dir unpacked;
    ASSERT_EQ(Run_Command({"dpkg-deb", "-x", deb, unpacked.path}), 0);
    std::string changelog;
    EXPECT_EQ(
        Run_Command({"gzip", "-dc", unpacked.file("usr/share/doc/zembrix/changelog.Debian.gz")},
                    &changelog),
        0);
    EXPECT_EQ(changelog.substr(0, changelog.find('\n')),
              "zembrix (" ZEMBRIX_VERSION "-1) unstable; urgency=medium");
}

TEST_F(Deb_Package, HoldsTheInstalledFilesOwnedByRoot) {
    std::string listing;
    ASSERT_EQ(Run_Command({"dpkg-deb", "-c", deb}, &listing), 0);
    std::map<std::string, std::string> modes;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> words = Words(line);
        ASSERT_GE(words.size(), 6u) << line;
        EXPECT_EQ(words[1], "root/root") << line;
        modes[words.back()] = words[0];
    }
    const std::map<std::string, std::string> expected = {
        {"./usr/", "drwxr-xr-x"},
        {"./usr/bin/", "drwxr-xr-x"},
        {"./usr/bin/zembrix", "-rwxr-xr-x"},
        {"./usr/bin/zembrix-convert", "-rwxr-xr-x"},
        {"./usr/share/", "drwxr-xr-x"},
        {"./usr/share/applications/", "drwxr-xr-x"},
        {"./usr/share/applications/zembrix.desktop", "-rw-r--r--"},
        {"./usr/share/doc/", "drwxr-xr-x"},
        {"./usr/share/doc/zembrix/", "drwxr-xr-x"},
        {"./usr/share/doc/zembrix/changelog.Debian.gz", "-rw-r--r--"},
        {"./usr/share/doc/zembrix/copyright", "-rw-r--r--"},
        {"./usr/share/icons/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/128x128/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/128x128/apps/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/128x128/apps/zembrix.png", "-rw-r--r--"},
        {"./usr/share/icons/hicolor/256x256/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/256x256/apps/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/256x256/apps/zembrix.png", "-rw-r--r--"},
        {"./usr/share/icons/hicolor/48x48/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/48x48/apps/", "drwxr-xr-x"},
        {"./usr/share/icons/hicolor/48x48/apps/zembrix.png", "-rw-r--r--"},
        {"./usr/share/man/", "drwxr-xr-x"},
        {"./usr/share/man/man1/", "drwxr-xr-x"},
        {"./usr/share/man/man1/zembrix-convert.1.gz", "-rw-r--r--"},
        {"./usr/share/man/man1/zembrix.1.gz", "-rw-r--r--"},
        {"./usr/share/mime/", "drwxr-xr-x"},
        {"./usr/share/mime/packages/", "drwxr-xr-x"},
        {"./usr/share/mime/packages/zembrix.xml", "-rw-r--r--"},
        {"./usr/share/thumbnailers/", "drwxr-xr-x"},
        {"./usr/share/thumbnailers/zembrix.thumbnailer", "-rw-r--r--"},
    };
    EXPECT_EQ(modes, expected);
}
