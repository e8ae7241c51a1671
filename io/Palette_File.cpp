#include "io/Palette_File.h"

#include "core/File_Handle.h"
#include "core/MQ4_Document.h"
#include "core/Picture_Rules.h"
#include "core/Report.h"
#include "image/Image_File.h"
#include "io/MQ4_File.h"
#include "io/Safe_Write.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

// Larger text than this is no palette (a full one takes under 1 KB).
constexpr std::size_t max_palette_text = 1 << 20;
constexpr std::uint8_t png_signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr char gimp_signature[] = "GIMP Palette";

void Refuse(const std::string& path, const std::string& reason) {
    Report("Cannot use %s as a palette: %s.\n", path.c_str(), reason.c_str());
}

bool Starts_With(const std::vector<std::uint8_t>& bytes, const std::uint8_t* prefix,
                 std::size_t size) {
    return bytes.size() >= size && std::equal(prefix, prefix + size, bytes.begin());
}

// Up to `limit` bytes of the file, and whether there were more.
bool Read_Head(const std::string& path, std::size_t limit, std::vector<std::uint8_t>* bytes,
               bool* more) {
    const File_Handle file = Open_For_Reading(path.c_str());
    if (!file) {
        Refuse(path, std::strerror(errno));
        return false;
    }
    bytes->resize(limit + 1);
    const std::size_t got = std::fread(bytes->data(), 1, bytes->size(), file.get());
    if (std::ferror(file.get())) {
        Refuse(path, std::strerror(errno));
        return false;
    }
    *more = got > limit;
    bytes->resize(std::min(got, limit));
    return true;
}

Palette_Colors On_Levels(const std::vector<DTPixel>& colors) {
    Palette_Colors palette{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const std::int32_t shown = Display_Color(colors[i].r, colors[i].g, colors[i].b);
        palette[i] = {static_cast<std::uint8_t>(shown >> 16),
                      static_cast<std::uint8_t>((shown >> 8) & 0xFF),
                      static_cast<std::uint8_t>(shown & 0xFF)};
    }
    return palette;
}

std::optional<Palette_Colors> From_Colors(const std::string& path,
                                          const std::vector<DTPixel>& colors) {
    if (colors.empty()) {
        Refuse(path, "it holds no colour");
        return std::nullopt;
    }
    if (colors.size() > palette_size) {
        Refuse(path, "it holds " + std::to_string(colors.size()) + " colours, more than 16");
        return std::nullopt;
    }
    return On_Levels(colors);
}

std::optional<Palette_Colors> Read_PNG_Palette(const std::string& path) {
    const std::optional<std::vector<DTPixel>> colors =
        Read_Image_Colors(path.c_str(), palette_size);
    if (!colors) {
        Refuse(path, "the PNG cannot be read");
        return std::nullopt;
    }
    if (colors->size() > palette_size) {
        Refuse(path, "the PNG has more than 16 colours");
        return std::nullopt;
    }
    return From_Colors(path, *colors);
}

std::optional<Palette_Colors> Read_MQ4_Palette(const std::string& path) {
    MQ4_Document picture;
    if (!Read_MQ4_File(path, &picture)) {
        Refuse(path, "the MQ4 picture cannot be read");
        return std::nullopt;
    }
    return picture.palette;
}

// A whole number from 0 to 255 at the front of the stream.
bool Read_Channel(std::istringstream* in, int* value) {
    std::string word;
    if (!(*in >> word) || word.empty() || word.size() > 3 ||
        !std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return false;
    }
    *value = std::stoi(word);
    return *value <= 255;
}

bool Is_Blank(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](unsigned char c) { return std::isspace(c); });
}

std::string Base_Name(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

} // namespace

std::optional<std::vector<DTPixel>> Parse_GIMP_Palette(const std::string& text,
                                                       std::string* reason) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    std::vector<DTPixel> colors;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (number == 1) {
            if (line != gimp_signature) {
                *reason = "it does not begin with \"GIMP Palette\"";
                return std::nullopt;
            }
            continue;
        }
        if (Is_Blank(line) || line[0] == '#' || line.starts_with("Name:") ||
            line.starts_with("Columns:")) {
            continue;
        }
        std::istringstream fields(line);
        int r = 0;
        int g = 0;
        int b = 0;
        if (!Read_Channel(&fields, &r) || !Read_Channel(&fields, &g) ||
            !Read_Channel(&fields, &b)) {
            *reason = "line " + std::to_string(number) +
                      " is not a colour (three whole numbers from 0 to 255, then a name)";
            return std::nullopt;
        }
        colors.push_back({static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                          static_cast<std::uint8_t>(b)});
    }
    if (number == 0) {
        *reason = "it is empty";
        return std::nullopt;
    }
    return colors;
}

std::optional<Palette_Colors> Read_Palette_File(const std::string& path) {
    std::vector<std::uint8_t> head;
    bool more = false;
    if (!Read_Head(path, max_palette_text, &head, &more)) {
        return std::nullopt;
    }
    if (Starts_With(head, png_signature, sizeof png_signature)) {
        return Read_PNG_Palette(path);
    }
    if (Has_Extension(path, ".MQ4") || Is_MQ4_Signature(head.data(), head.size())) {
        return Read_MQ4_Palette(path);
    }
    const std::string text(head.begin(), head.end());
    if (!text.starts_with(gimp_signature)) {
        Refuse(path, "it is not an MQ4 picture, a GIMP palette (.gpl) or a PNG");
        return std::nullopt;
    }
    if (more) {
        Refuse(path, "it is too large for a palette");
        return std::nullopt;
    }
    std::string reason;
    const std::optional<std::vector<DTPixel>> colors = Parse_GIMP_Palette(text, &reason);
    if (!colors) {
        Refuse(path, reason);
        return std::nullopt;
    }
    return From_Colors(path, *colors);
}

std::string GIMP_Palette_Text(const Palette_Colors& palette, const std::string& name) {
    std::string text = "GIMP Palette\nName: " + name + "\nColumns: 16\n#\n";
    for (int i = 0; i < palette_size; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%3d %3d %3d\tIndex %d\n", palette[i].r, palette[i].g,
                      palette[i].b, i);
        text += line;
    }
    return text;
}

bool Write_Palette_File(const std::string& path, const Palette_Colors& palette) {
    const std::string text = GIMP_Palette_Text(palette, Base_Name(path));
    std::string reason;
    if (!Write_File_Safely(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                           &reason)) {
        Report("Could not save %s: %s\n", path.c_str(), reason.c_str());
        return false;
    }
    return true;
}
