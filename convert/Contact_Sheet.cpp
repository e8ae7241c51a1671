#include "convert/Contact_Sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stb_easy_font.h>

namespace {

constexpr DTPixel background{40, 40, 40};
constexpr DTPixel ink{235, 235, 235};
constexpr int margin = 8;
constexpr int line_height = 12; // stb_easy_font's own line step

// One vertex of stb_easy_font's output.
struct Font_Vertex {
    float x;
    float y;
    float z;
    unsigned char color[4];
};
static_assert(sizeof(Font_Vertex) == 16);

// The label as the font can draw it, at most `lines` lines.
std::string Printable(const std::string& label, int lines) {
    std::string text;
    int line = 1;
    for (const char c : label) {
        if (c == '\n') {
            if (++line > lines) {
                break;
            }
            text += c;
        } else {
            text += c >= 32 && c < 127 ? c : '?';
        }
    }
    return text;
}

// Draws the text with its top left corner at (x, y), cut to the box.
void Draw_Text(DTImage* sheet, const std::string& text, int x, int y, int box_width,
               int box_height) {
    if (text.empty()) {
        return;
    }
    // About 270 bytes a character, as stb_easy_font's notes say; twice that.
    std::vector<Font_Vertex> vertices(text.size() * 40);
    std::vector<char> characters(text.begin(), text.end());
    characters.push_back('\0');
    const int quads = stb_easy_font_print(0.0f, 0.0f, characters.data(), nullptr, vertices.data(),
                                          static_cast<int>(vertices.size() * sizeof(Font_Vertex)));
    for (int q = 0; q < quads; ++q) {
        const Font_Vertex* corner = &vertices[static_cast<std::size_t>(q) * 4];
        float left = corner[0].x;
        float right = corner[0].x;
        float top = corner[0].y;
        float bottom = corner[0].y;
        for (int v = 1; v < 4; ++v) {
            left = std::min(left, corner[v].x);
            right = std::max(right, corner[v].x);
            top = std::min(top, corner[v].y);
            bottom = std::max(bottom, corner[v].y);
        }
        const int x0 = std::max(0, static_cast<int>(std::lround(left)));
        const int x1 = std::min(box_width, static_cast<int>(std::lround(right)));
        const int y0 = std::max(0, static_cast<int>(std::lround(top)));
        const int y1 = std::min(box_height, static_cast<int>(std::lround(bottom)));
        for (int py = y0; py < y1; ++py) {
            for (int px = x0; px < x1; ++px) {
                sheet->pixels[static_cast<std::size_t>(y + py) * sheet->width + x + px] = ink;
            }
        }
    }
}

} // namespace

DTImage Contact_Sheet(const std::vector<Sheet_Entry>& entries, const Sheet_Layout& layout) {
    DTImage sheet;
    sheet.type = DTImageTypePNG;
    if (entries.empty()) {
        return sheet;
    }
    const int scale = std::max(layout.scale, 1);
    const int columns = std::clamp(layout.columns, 1, static_cast<int>(entries.size()));
    const int rows = (static_cast<int>(entries.size()) + columns - 1) / columns;
    int picture_width = 0;
    int picture_height = 0;
    for (const Sheet_Entry& entry : entries) {
        picture_width = std::max(picture_width, entry.image.width * scale);
        picture_height = std::max(picture_height, entry.image.height * scale);
    }
    const int label_height = std::max(layout.label_lines, 0) * line_height;
    const int cell_width = picture_width + margin;
    const int cell_height = picture_height + margin / 2 + label_height + margin;
    sheet.width = margin + columns * cell_width;
    sheet.height = margin + rows * cell_height;
    sheet.pixelCount = static_cast<std::uint64_t>(sheet.width) * sheet.height;
    sheet.pixels.assign(sheet.pixelCount, background);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const DTImage& image = entries[i].image;
        const int left = margin + static_cast<int>(i) % columns * cell_width;
        const int top = margin + static_cast<int>(i) / columns * cell_height;
        for (int y = 0; y < image.height * scale; ++y) {
            for (int x = 0; x < image.width * scale; ++x) {
                const std::size_t n = static_cast<std::size_t>(y / scale) * image.width + x / scale;
                if (n < image.pixels.size()) {
                    sheet.pixels[static_cast<std::size_t>(top + y) * sheet.width + left + x] =
                        image.pixels[n];
                }
            }
        }
        Draw_Text(&sheet, Printable(entries[i].label, layout.label_lines), left,
                  top + picture_height + margin / 2, picture_width, label_height);
    }
    return sheet;
}
