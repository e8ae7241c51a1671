// The banner: the word Zembrix in bevelled grey letters over three rounded
// bars in red, green and blue, on black. The picture is computed from the
// letter shapes below when the program is compiled.

#include "ui/Data.h"

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

constexpr bool Cell_Filled(int cx, int cy) {
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
constexpr bool In_Letter(int x, int y) {
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

constexpr std::uint8_t Letter_Shade(int x, int y) {
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

constexpr int Bar_At(int x, int y) {
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

constexpr std::uint8_t Bar_Shade(int bar, int y) {
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

constexpr std::uint8_t Pixel_At(int x, int y) {
    if (In_Letter(x, y)) {
        return Letter_Shade(x, y);
    }
    if (In_Letter(x - 4, y - 4)) {
        return grey_3c; // the letters' shadow on the background
    }
    const int bar = Bar_At(x, y);
    return bar >= 0 ? Bar_Shade(bar, y) : std::uint8_t{black};
}

constexpr std::array<std::uint8_t, logo_width * logo_height / 2> Paint_Logo() {
    std::array<std::uint8_t, logo_width * logo_height / 2> bytes{};
    for (int y = 0; y < logo_height; ++y) {
        for (int x = 0; x < logo_width; x += 2) {
            bytes[static_cast<std::size_t>((y * logo_width + x) / 2)] =
                static_cast<std::uint8_t>((Pixel_At(x, y) << 4) | Pixel_At(x + 1, y));
        }
    }
    return bytes;
}

} // namespace

const std::array<std::uint8_t, 64> zembrix_palette = {
    0x05, 0x02, 0x04, 0, 0x04, 0x82, 0x04, 0, 0x06, 0x06, 0x9A, 0, 0x0C, 0x5C, 0x05, 0,
    0x04, 0x06, 0x54, 0, 0xC2, 0x02, 0x04, 0, 0x58, 0x58, 0x58, 0, 0x26, 0x2E, 0x26, 0,
    0x78, 0x78, 0x78, 0, 0x91, 0x91, 0x91, 0, 0xCF, 0xCF, 0xCF, 0, 0xAF, 0xB0, 0xAF, 0,
    0x04, 0x02, 0xD4, 0, 0x3C, 0x3B, 0x3C, 0, 0xE6, 0xE6, 0xE6, 0, 0x07, 0x7C, 0x07, 0,
};

constexpr std::array<std::uint8_t, logo_width* logo_height / 2> painted_logo = Paint_Logo();
const std::array<std::uint8_t, logo_width* logo_height / 2> zembrix_bitmap = painted_logo;
