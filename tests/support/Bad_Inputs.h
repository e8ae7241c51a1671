#pragma once
// The files a user might hand the program by mistake or by malice, each with
// the exact text the program answers with. Shared by the loader, converter and
// window-program tests so that all three face the same table.

#include <cstdint>
#include <string>
#include <vector>

enum class Entry_Kind { file, folder, missing };

struct Bad_Input {
    std::string what;      // for test traces
    std::string file_name; // name in the test's folder
    Entry_Kind kind = Entry_Kind::file;
    std::vector<std::uint8_t> bytes;
    // What is printed on standard error; "{path}" stands for the file's path.
    std::string message;
    // Files that are odd but sound (an over-long MQ4 file) are read.
    bool accepted = false;
};

// Image files to import: PNGs and PPMs that are broken, lying or too small,
// and paths that are no files at all.
std::vector<Bad_Input> Bad_Image_Inputs();

// MQ4 files of the wrong length, and paths that are no files at all.
std::vector<Bad_Input> Bad_MQ4_Inputs();

// Makes the entry at `path` (nothing for a missing one).
void Create_Bad_Input(const Bad_Input& input, const std::string& path);

// The message with "{path}" replaced.
std::string Expected_Message(const Bad_Input& input, const std::string& path);

// A PNG whose IHDR has been given another size, with its CRC mended so that
// only the size is wrong.
std::vector<std::uint8_t> With_PNG_Size(std::vector<std::uint8_t> png, std::uint32_t width,
                                        std::uint32_t height);
