// zembrix-logo OUTPUT: writes the start window's banner, as the bytes of
// zembrix_bitmap (ui/Logo.cpp), from the shapes below; run by the build. The
// banner is the word Zembrix in bevelled grey letters over three rounded bars
// in red, green and blue, on black. Its 115200 pixels are too much work for
// a compiler's constant evaluation (Clang stops at a million steps).

#include "ui/Data.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

enum Shade : std::uint8_t {
    black = 0,
    green = 1,
    red = 2,
    dark_green = 3,
    dark_red = 4,
    blue = 5,
    grey_58 = 6,
    shadow_26 = 7,
    grey_78 = 8,
    grey_91 = 9,
    grey_cf = 10,
    grey_af = 11,
    bright_red = 12,
    grey_3c = 13,
    grey_e6 = 14,
    green_7c = 15,
};

// Each letter on a grid of 10-pixel cells, nine cells tall; lower-case letters
// stand on the same base line as the capital.
struct Glyph {
    int width;
    std::string_view rows[9];
};

constexpr Glyph glyphs[] = {
    {6, {"######", "######", "....##", "...##.", "..##..", ".##...", "##....", "######", "######"}},
    {6, {"......", "......", "......", ".####.", "##..##", "######", "##....", "##..##", ".####."}},
    {8,
     {"........", "........", "........", "###.###.", "########", "##.##.##", "##.##.##",
      "##.##.##", "##.##.##"}},
    {6, {"##....", "##....", "##....", "#####.", "######", "##..##", "##..##", "######", "#####."}},
    {6, {"......", "......", "......", "##.###", "######", "###...", "##....", "##....", "##...."}},
    {2, {"..", "##", "..", "##", "##", "##", "##", "##", "##"}},
    {6, {"......", "......", "......", "##..##", ".####.", "..##..", "..##..", ".####.", "##..##"}},
};

constexpr int cell = 10;
constexpr int text_cells_wide = 46; // 40 cells of letters and 6 gaps
constexpr int text_left = (logo_width - text_cells_wide * cell) / 2;
constexpr int text_top = 10;

bool Cell_Filled(int cx, int cy) {
    if (cx < 0 || cy < 0 || cy >= 9) {
        return false;
    }
    int left = 0;
    for (const Glyph& glyph : glyphs) {
        if (cx < left) {
            return false;
        }
        if (cx < left + glyph.width) {
            return glyph.rows[cy][static_cast<std::size_t>(cx - left)] == '#';
        }
        left += glyph.width + 1;
    }
    return false;
}

// Letter pixels, with the outer corners of the cells rounded off.
bool In_Letter(int x, int y) {
    const int gx = x - text_left;
    const int gy = y - text_top;
    if (gx < 0 || gy < 0) {
        return false;
    }
    const int cx = gx / cell;
    const int cy = gy / cell;
    if (!Cell_Filled(cx, cy)) {
        return false;
    }
    const int px = gx % cell;
    const int py = gy % cell;
    const int dx = px < cell / 2 ? -1 : 1;
    const int dy = py < cell / 2 ? -1 : 1;
    if (Cell_Filled(cx + dx, cy) || Cell_Filled(cx, cy + dy) || Cell_Filled(cx + dx, cy + dy)) {
        return true;
    }
    // Twice the distance from the cell's centre, to stay in integers.
    const int ox = 2 * px - (cell - 1);
    const int oy = 2 * py - (cell - 1);
    return ox * ox + oy * oy <= cell * cell + 8;
}

std::uint8_t Letter_Shade(int x, int y) {
    if (!In_Letter(x - 3, y - 3)) {
        return grey_e6; // lit from the top left
    }
    if (!In_Letter(x + 3, y + 3)) {
        return grey_58;
    }
    if (y < text_top + 30) {
        return grey_cf;
    }
    return y < text_top + 60 ? grey_af : grey_91;
}

// Three capsules side by side under the word.
constexpr int bar_top = 128;
constexpr int bar_height = 28;
constexpr int bar_width = 170;
constexpr int bar_gap = 20;
constexpr int bars_left = (logo_width - 3 * bar_width - 2 * bar_gap) / 2;

int Bar_At(int x, int y) {
    if (y < bar_top || y >= bar_top + bar_height) {
        return -1;
    }
    const int r = bar_height / 2;
    for (int bar = 0; bar < 3; ++bar) {
        const int left = bars_left + bar * (bar_width + bar_gap);
        if (x < left || x >= left + bar_width) {
            continue;
        }
        // Twice the offsets from the nearer end's centre, in integers.
        const int ex = x < left + r                ? 2 * (x - (left + r)) + 1
                       : x >= left + bar_width - r ? 2 * (x - (left + bar_width - r)) + 1
                                                   : 0;
        const int ey = 2 * (y - (bar_top + r)) + 1;
        return ex * ex + ey * ey <= 4 * r * r ? bar : -1;
    }
    return -1;
}

std::uint8_t Bar_Shade(int bar, int y) {
    const int row = y - bar_top;
    const bool top = row < bar_height / 3;
    const bool bottom = row >= bar_height * 3 / 4;
    switch (bar) {
    case 0:
        return top ? bright_red : bottom ? dark_red : red;
    case 1:
        return top ? green : bottom ? dark_green : green_7c;
    default:
        return bottom ? shadow_26 : blue;
    }
}

std::uint8_t Pixel_At(int x, int y) {
    if (In_Letter(x, y)) {
        return Letter_Shade(x, y);
    }
    if (In_Letter(x - 4, y - 4)) {
        return grey_3c; // the letters' shadow on the background
    }
    const int bar = Bar_At(x, y);
    return bar >= 0 ? Bar_Shade(bar, y) : std::uint8_t{black};
}

// The bytes as the lines of an array initializer, 16 to a line.
std::string Logo_Initializer() {
    std::string text;
    for (int y = 0; y < logo_height; ++y) {
        for (int x = 0; x < logo_width; x += 2) {
            const int byte = (Pixel_At(x, y) << 4) | Pixel_At(x + 1, y);
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X,", byte);
            text += hex;
            text += (y * logo_width + x) / 2 % 16 == 15 ? '\n' : ' ';
        }
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: zembrix-logo OUTPUT\n", stderr);
        return 2;
    }
    // Written beside the output and renamed, so that a failed run leaves no
    // half-written file for the build to take as done.
    const std::string output = argv[1];
    const std::string partial = output + ".part";
    const std::string text = Logo_Initializer();
    std::FILE* file = std::fopen(partial.c_str(), "w");
    bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = file && std::fclose(file) == 0 && written;
    if (!written || std::rename(partial.c_str(), output.c_str()) != 0) {
        std::perror(("zembrix-logo: " + output).c_str());
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
