#include "io/Palette_File.h"

#include "core/File_Handle.h"
#include "core/MQ4_Document.h"
#include "core/Picture_Rules.h"
#include "core/Report.h"
#include "image/Image_File.h"
#include "io/MQ4_File.h"
#include "io/Safe_Write.h"

#include <algorithm>
#include <array>
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
constexpr char jasc_signature[] = "JASC-PAL";
constexpr std::size_t act_table_size = 768;
constexpr std::size_t act_trailer_size = 4;
constexpr char unknown_kind[] =
    "it is not an MQ4 picture, a PNG or a palette file (.gpl, .act, .pal, .hex)";

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

std::vector<DTPixel> On_Levels(const std::vector<DTPixel>& colors) {
    std::vector<DTPixel> shown;
    for (const DTPixel& color : colors) {
        shown.push_back(Display_Pixel(color));
    }
    return shown;
}

std::optional<std::vector<DTPixel>> From_Colors(const std::string& path,
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

std::optional<std::vector<DTPixel>> Read_PNG_Palette(const std::string& path) {
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

std::optional<std::vector<DTPixel>> Read_MQ4_Palette(const std::string& path) {
    MQ4_Document picture;
    if (!Read_MQ4_File(path, &picture)) {
        Refuse(path, "the MQ4 picture cannot be read");
        return std::nullopt;
    }
    const Palette_Colors& palette = picture.palette;
    return std::vector<DTPixel>(palette.begin(), palette.end());
}

bool Is_Blank(const std::string& line);

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

// Three channels at the front of the line.
bool Read_Color(const std::string& line, DTPixel* color) {
    std::istringstream fields(line);
    int r = 0;
    int g = 0;
    int b = 0;
    if (!Read_Channel(&fields, &r) || !Read_Channel(&fields, &g) || !Read_Channel(&fields, &b)) {
        return false;
    }
    *color = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
              static_cast<std::uint8_t>(b)};
    return true;
}

std::vector<std::string> Lines_Of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::string Not_A_Colour(std::size_t number, const char* form) {
    return "line " + std::to_string(number) + " is not a colour (" + form + ")";
}

// JASC-PAL, 0100, the number of colours, then a line of three channels each.
std::optional<std::vector<DTPixel>> Parse_JASC_Palette(const std::string& text,
                                                       std::string* reason) {
    const std::vector<std::string> lines = Lines_Of(text);
    if (lines.size() < 3 || lines[0] != jasc_signature || lines[1] != "0100") {
        *reason = "it does not begin with \"JASC-PAL\" and \"0100\"";
        return std::nullopt;
    }
    const std::string& count_line = lines[2];
    if (count_line.empty() || count_line.size() > 3 ||
        !std::all_of(count_line.begin(), count_line.end(),
                     [](unsigned char c) { return std::isdigit(c); })) {
        *reason = "line 3 is not the number of colours";
        return std::nullopt;
    }
    const std::size_t count = std::stoul(count_line);
    std::vector<DTPixel> colors;
    for (std::size_t n = 3; n < lines.size(); ++n) {
        if (Is_Blank(lines[n]) && n + 1 >= lines.size()) {
            break;
        }
        DTPixel color{};
        if (!Read_Color(lines[n], &color)) {
            *reason = Not_A_Colour(n + 1, "three whole numbers from 0 to 255");
            return std::nullopt;
        }
        colors.push_back(color);
    }
    if (colors.size() != count) {
        *reason = "it says " + std::to_string(count) + " colours but holds " +
                  std::to_string(colors.size());
        return std::nullopt;
    }
    return colors;
}

// One RRGGBB a line (a leading # allowed); blank lines are skipped.
std::optional<std::vector<DTPixel>> Parse_Hex_Palette(const std::string& text,
                                                      std::string* reason) {
    const std::vector<std::string> lines = Lines_Of(text);
    std::vector<DTPixel> colors;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string word = lines[n];
        word.erase(std::remove_if(word.begin(), word.end(),
                                  [](unsigned char c) { return std::isspace(c); }),
                   word.end());
        if (word.empty()) {
            continue;
        }
        const std::optional<DTPixel> color = Parse_Hex_Colour(word);
        if (!color) {
            *reason = Not_A_Colour(n + 1, "six hexadecimal digits RRGGBB");
            return std::nullopt;
        }
        colors.push_back(*color);
    }
    return colors;
}

// 256 RGB triples, then perhaps the number of colours (two bytes, big-endian)
// and a transparent index. Without the number, black entries at the end are
// taken as unused, as tools pad a short table with them.
std::optional<std::vector<DTPixel>> Parse_ACT_Palette(const std::vector<std::uint8_t>& bytes,
                                                      std::string* reason) {
    if (bytes.size() != act_table_size && bytes.size() != act_table_size + act_trailer_size) {
        *reason =
            "an Adobe colour table (.act) is 768 or 772 bytes, not " + std::to_string(bytes.size());
        return std::nullopt;
    }
    std::size_t count = 256;
    if (bytes.size() > act_table_size) {
        count = static_cast<std::size_t>(bytes[act_table_size] << 8 | bytes[act_table_size + 1]);
        if (count == 0 || count > 256) {
            *reason = "its count of colours is " + std::to_string(count) + ", not 1 to 256";
            return std::nullopt;
        }
    } else {
        while (count > 1 && bytes[3 * count - 3] == 0 && bytes[3 * count - 2] == 0 &&
               bytes[3 * count - 1] == 0) {
            --count;
        }
    }
    std::vector<DTPixel> colors;
    for (std::size_t i = 0; i < count; ++i) {
        colors.push_back({bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]});
    }
    return colors;
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
        DTPixel color{};
        if (!Read_Color(line, &color)) {
            *reason = Not_A_Colour(number, "three whole numbers from 0 to 255, then a name");
            return std::nullopt;
        }
        colors.push_back(color);
    }
    if (number == 0) {
        *reason = "it is empty";
        return std::nullopt;
    }
    return colors;
}

std::optional<std::vector<DTPixel>> Read_Palette_Colors(const std::string& path) {
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
    std::optional<std::vector<DTPixel>> colors;
    std::string reason;
    if (text.starts_with(gimp_signature)) {
        colors = Parse_GIMP_Palette(text, &reason);
    } else if (text.starts_with(jasc_signature)) {
        colors = Parse_JASC_Palette(text, &reason);
    } else if (Has_Extension(path, ".act")) {
        colors = Parse_ACT_Palette(head, &reason);
    } else if (Has_Extension(path, ".hex")) {
        colors = Parse_Hex_Palette(text, &reason);
    } else {
        Refuse(path, unknown_kind);
        return std::nullopt;
    }
    if (more) {
        Refuse(path, "it is too large for a palette");
        return std::nullopt;
    }
    if (!colors) {
        Refuse(path, reason);
        return std::nullopt;
    }
    return From_Colors(path, *colors);
}

std::optional<Palette_Colors> Read_Palette_File(const std::string& path) {
    const std::optional<std::vector<DTPixel>> colors = Read_Palette_Colors(path);
    if (!colors) {
        return std::nullopt;
    }
    return Padded_Palette(*colors);
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

bool Is_Palette_File_Name(const std::string& path) {
    return Has_Extension(path, ".gpl") || Has_Extension(path, ".act") ||
           Has_Extension(path, ".pal") || Has_Extension(path, ".hex");
}

std::vector<std::uint8_t> Palette_File_Bytes(const std::string& path,
                                             const Palette_Colors& palette) {
    std::string text;
    if (Has_Extension(path, ".act")) {
        // The table of 256 with the unused entries black, and the count of
        // colours with no transparent one (0xFFFF).
        std::vector<std::uint8_t> bytes(act_table_size + act_trailer_size, 0);
        for (int i = 0; i < palette_size; ++i) {
            bytes[3 * i] = palette[i].r;
            bytes[3 * i + 1] = palette[i].g;
            bytes[3 * i + 2] = palette[i].b;
        }
        bytes[act_table_size + 1] = palette_size;
        bytes[act_table_size + 2] = 0xFF;
        bytes[act_table_size + 3] = 0xFF;
        return bytes;
    }
    if (Has_Extension(path, ".pal")) {
        text = std::string(jasc_signature) + "\r\n0100\r\n16\r\n";
        for (const DTPixel& color : palette) {
            text += std::to_string(color.r) + " " + std::to_string(color.g) + " " +
                    std::to_string(color.b) + "\r\n";
        }
    } else if (Has_Extension(path, ".hex")) {
        for (const DTPixel& color : palette) {
            char line[16];
            std::snprintf(line, sizeof line, "%02x%02x%02x\n", color.r, color.g, color.b);
            text += line;
        }
    } else {
        text = GIMP_Palette_Text(palette, Base_Name(path));
    }
    return {text.begin(), text.end()};
}

bool Write_Palette_File(const std::string& path, const Palette_Colors& palette) {
    const std::vector<std::uint8_t> bytes = Palette_File_Bytes(path, palette);
    std::string reason;
    if (!Write_File_Safely(path, bytes.data(), bytes.size(), &reason)) {
        Report("Could not save %s: %s\n", path.c_str(), reason.c_str());
        return false;
    }
    return true;
}

std::optional<DTPixel> Parse_Hex_Colour(std::string_view text) {
    if (text.starts_with('#')) {
        text.remove_prefix(1);
    }
    if (text.size() != 6) {
        return std::nullopt;
    }
    std::array<int, 6> digits{};
    for (std::size_t i = 0; i < 6; ++i) {
        const int lower = std::tolower(static_cast<unsigned char>(text[i]));
        digits[i] = lower >= '0' && lower <= '9'   ? lower - '0'
                    : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10
                                                   : -1;
        if (digits[i] < 0) {
            return std::nullopt;
        }
    }
    return DTPixel{static_cast<std::uint8_t>(digits[0] * 16 + digits[1]),
                   static_cast<std::uint8_t>(digits[2] * 16 + digits[3]),
                   static_cast<std::uint8_t>(digits[4] * 16 + digits[5])};
}
