// cmake --install into a staging folder, the files it puts there, and the
// checks that desktops, file managers and man apply to them.

#include <gtest/gtest.h>

#include "core/Picture_Rules.h"
#include "image/Image_File.h"
#include "io/MQ4_File.h"
#include "packaging/Icon.h"
#include "support/Program.h"
#include "support/Temp_Dir.h"

#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace {

const std::vector<std::string> installed_files = {
    "bin/zembrix",
    "bin/zembrix-convert",
    "share/applications/zembrix.desktop",
    "share/doc/zembrix/copyright",
    "share/icons/hicolor/128x128/apps/zembrix.png",
    "share/icons/hicolor/256x256/apps/zembrix.png",
    "share/icons/hicolor/48x48/apps/zembrix.png",
    "share/man/man1/zembrix-convert.1.gz",
    "share/man/man1/zembrix.1.gz",
    "share/mime/packages/zembrix.xml",
    "share/thumbnailers/zembrix.thumbnailer",
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

// Installed into a prefix of its own, with the prefix's MIME database built as
// a package's installation builds it, and looked at as a desktop would: only
// that prefix in XDG_DATA_DIRS, an empty XDG_DATA_HOME.
struct Desktop_Install : testing::Test {
    static inline Temp_Dir* prefix = nullptr;
    static inline std::string log;
    static inline int status = -1;

    static void SetUpTestSuite() {
        prefix = new Temp_Dir;
        status =
            Run_Shell("\"$1\" --install \"$2\" --prefix \"$3\" 2>&1 >/dev/null &&"
                      " XDG_DATA_DIRS=\"$3/share\" update-mime-database \"$3/share/mime\" 2>&1",
                      {ZEMBRIX_CMAKE, ZEMBRIX_BINARY_DIR, prefix->path}, &log);
    }
    static void TearDownTestSuite() {
        delete prefix;
        prefix = nullptr;
    }
    void SetUp() override { ASSERT_EQ(status, 0) << log; }

    static std::string File_Type(const std::string& file) {
        Temp_Dir home;
        std::string type;
        Run_Shell("XDG_CURRENT_DESKTOP=X-Generic XDG_DATA_HOME=\"$1\" XDG_DATA_DIRS=\"$2\""
                  " xdg-mime query filetype \"$3\" 2>&1",
                  {home.path, prefix->file("share"), file}, &type);
        return type;
    }
};

// A picture whose 16 display colours all differ, in bands that show where each
// pixel went.
MQ4_Document Banded_Picture() {
    MQ4_Document picture;
    for (int i = 0; i < palette_size; ++i) {
        picture.palette[static_cast<std::size_t>(i)] =
            Split_Color(Display_Color(i * 16, 248 - i * 8, (i * 88) & 0xFF));
    }
    for (int n = 0; n < picture_pixels; ++n) {
        picture.pixels[static_cast<std::size_t>(n)] =
            static_cast<std::uint8_t>((n % picture_width / 5 + n / picture_width / 3) % 16);
    }
    return picture;
}

// The picture's display colours with every pixel scale x scale.
std::vector<DTPixel> Enlarged(const MQ4_Document& picture, int scale) {
    std::vector<DTPixel> pixels;
    for (int y = 0; y < picture_height * scale; ++y) {
        for (int x = 0; x < picture_width * scale; ++x) {
            const std::int32_t color = Color_Word(
                picture.palette[static_cast<std::size_t>(picture.pixels[static_cast<std::size_t>(
                    (y / scale) * picture_width + x / scale)])]);
            pixels.push_back({static_cast<std::uint8_t>(color >> 16),
                              static_cast<std::uint8_t>(color >> 8),
                              static_cast<std::uint8_t>(color)});
        }
    }
    return pixels;
}

// The words of the entry's Exec line with the thumbnailer fields filled in as
// file managers fill them: each field one whole argument, no shell between.
std::vector<std::string> Filled_Exec(const std::string& entry, const std::string& size,
                                     const std::string& input, const std::string& output) {
    std::vector<std::string> words;
    const std::size_t start = entry.find("\nExec=");
    if (start == std::string::npos) {
        return words;
    }
    std::istringstream line(entry.substr(start + 6, entry.find('\n', start + 1) - start - 6));
    for (std::string word; line >> word;) {
        words.push_back(word == "%s" ? size : word == "%i" ? input : word == "%o" ? output : word);
    }
    return words;
}

// Runs the words as a file manager would, finding the program on a PATH that
// starts with the prefix's bin folder; what it says on either stream.
int Run_Exec(const std::vector<std::string>& words, std::string* messages) {
    std::vector<std::string> arguments = {Desktop_Install::prefix->file("bin")};
    arguments.insert(arguments.end(), words.begin(), words.end());
    return Run_Shell("PATH=\"$1:$PATH\"; shift; exec \"$@\" 2>&1", arguments, messages);
}

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

TEST_F(Desktop_Install, MQ4FilesAreKnownByTheirNameInAnyCaseOrTheirFirstBytes) {
    Temp_Dir files;
    ASSERT_TRUE(Write_MQ4_File(files.file("scene.MQ4"), Banded_Picture()));
    const std::vector<std::uint8_t> bytes = Read_Bytes(files.file("scene.MQ4"));
    const std::vector<std::uint8_t> zeros(bytes.size(), 0);
    Write_Bytes(files.file("PIC.Mq4"), bytes);
    Write_Bytes(files.file("saved picture"), bytes); // by its first bytes
    Write_Bytes(files.file("zeros.mq4"), zeros);     // by its name
    Write_Bytes(files.file("ZEROS.MQ4"), zeros);
    Write_Bytes(files.file("zeros"), zeros); // neither
    for (const std::string name :
         {"scene.MQ4", "PIC.Mq4", "saved picture", "zeros.mq4", "ZEROS.MQ4"}) {
        EXPECT_EQ(File_Type(files.file(name)), "image/x-zembrix-mq4\n") << name;
    }
    EXPECT_NE(File_Type(files.file("zeros")), "image/x-zembrix-mq4\n");
}

TEST_F(Desktop_Install, ThumbnailerWritesThePictureEnlargedByWholePixelsToFit) {
    const std::string entry = Read_Text(prefix->file("share/thumbnailers/zembrix.thumbnailer"));
    EXPECT_NE(entry.find("\nMimeType=image/x-zembrix-mq4;\n"), std::string::npos) << entry;
    Temp_Dir files;
    const std::string folder = files.file("my pictures");
    std::filesystem::create_directory(folder);
    const MQ4_Document picture = Banded_Picture();
    ASSERT_TRUE(Write_MQ4_File(folder + "/scene.MQ4", picture));
    // Sizes that file managers ask for, and one below the picture's width.
    for (const auto& [size, scale] : {std::pair{"100", 1}, {"128", 1}, {"256", 2}, {"1000", 7}}) {
        SCOPED_TRACE(size);
        const std::string output = files.file(std::string("thumb ") + size + ".png");
        std::string messages;
        EXPECT_EQ(Run_Exec(Filled_Exec(entry, size, folder + "/scene.MQ4", output), &messages), 0)
            << messages;
        const std::optional<DTImage> thumbnail = CreateImageFromFile(output.c_str());
        ASSERT_TRUE(thumbnail);
        EXPECT_EQ(thumbnail->type, DTImageTypePNG);
        EXPECT_EQ(thumbnail->width, picture_width * scale);
        EXPECT_EQ(thumbnail->height, picture_height * scale);
        EXPECT_TRUE(thumbnail->pixels == Enlarged(picture, scale));
    }
    // One byte short of a picture: a failure, and no thumbnail at all.
    std::vector<std::uint8_t> bytes = Read_Bytes(folder + "/scene.MQ4");
    bytes.pop_back();
    Write_Bytes(folder + "/short.MQ4", bytes);
    const std::string output = files.file("short.png");
    std::string messages;
    EXPECT_EQ(Run_Exec(Filled_Exec(entry, "256", folder + "/short.MQ4", output), &messages), 1);
    EXPECT_EQ(messages,
              folder + "/short.MQ4 is too short to be an MQ4 picture (6656 of 6657 bytes)\n");
    EXPECT_FALSE(File_Exists(output));
    EXPECT_EQ(List_Dir(files.path),
              (std::vector<std::string>{"my pictures", "thumb 100.png", "thumb 1000.png",
                                        "thumb 128.png", "thumb 256.png"}));
}
