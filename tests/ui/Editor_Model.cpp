#include "ui/Editor_Model.h"

#include "ui/Data.h"

#include <sstream>

namespace {

constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t black = 0x000000;

void Fill(Editor_Picture& picture, int x, int y, int w, int h, std::uint32_t color) {
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) {
            picture.pixels[row * editor_width + column] = color;
        }
    }
}

// A thin rectangle outline: columns x..x+w and rows y..y+h.
void Frame(Editor_Picture& picture, int x, int y, int w, int h, std::uint32_t color) {
    Fill(picture, x, y, w + 1, 1, color);
    Fill(picture, x, y + h, w + 1, 1, color);
    Fill(picture, x, y, 1, h + 1, color);
    Fill(picture, x + w, y, 1, h + 1, color);
}

bool Is_Ink(const Icon_Bitmap& icon, int row, int column) {
    const int byte = icon[row * 7 + column / 8];
    return ((byte >> (7 - column % 8)) & 1) == 0;
}

void Icon(Editor_Picture& picture, const Icon_Bitmap& icon, int top) {
    for (int row = 0; row < 50; ++row) {
        for (int column = 0; column < 48; ++column) {
            if (Is_Ink(icon, row, column)) {
                Fill(picture, 923 + column, top + row, 1, 1, black);
            }
        }
    }
}

bool In(const Text_Box& box, int x, int y) {
    return x >= box.left && x <= box.right && y >= box.top && y <= box.bottom;
}

Text_Box Label_Box(XFontStruct* font, const char* text, int x, int y) {
    int direction = 0, ascent = 0, descent = 0;
    XCharStruct overall{};
    XTextExtents(font, text, 4, &direction, &ascent, &descent, &overall);
    return Text_Box{x + overall.lbearing, y - overall.ascent, x + overall.rbearing - 1,
                    y + overall.descent - 1};
}

} // namespace

Label_Boxes Editor_Label_Boxes(Display* display) {
    // A GC made without values carries the server's default font.
    GC gc = XCreateGC(display, DefaultRootWindow(display), 0, nullptr);
    XFontStruct* font = XQueryFont(display, XGContextFromGC(gc));
    const Label_Boxes boxes{Label_Box(font, "SAVE", 937, 620), Label_Box(font, "EXIT", 936, 651)};
    XFreeFontInfo(nullptr, font, 1); // one record, with its per-character data
    XFreeGC(display, gc);
    return boxes;
}

Editor_Picture Model_Editor(const MQ4_Document& document, const Editor_State& state,
                            const Text_Box& save_text, const Text_Box& exit_text) {
    Editor_Picture picture;
    for (int row = 0; row < 96; ++row) {
        for (int column = 0; column < 128; ++column) {
            const auto color = static_cast<std::uint32_t>(
                Color_Word(document.palette[document.pixels[row * 128 + column]]) & 0xF8F8F8);
            Fill(picture, 7 * column, 7 * row, 7, 7, color);
        }
    }
    for (int i = 0; i < 16; ++i) {
        Fill(picture, 919, 10 + 25 * i, 60, 20,
             static_cast<std::uint32_t>(Color_Word(document.palette[i]) & 0xF8F8F8));
    }
    Frame(picture, 918, 604, 61, 21, 0xFF0000);
    Fill(picture, 919, 605, 60, 20, 0x808080);
    Frame(picture, 918, 635, 61, 21, 0xFF0000);
    Fill(picture, 919, 636, 60, 20, 0x808080);
    picture.text_boxes = {save_text, exit_text};
    Icon(picture, eyedrop, 440);
    Icon(picture, pencil, 525);
    if (state.previous_color >= 0 && state.previous_color <= 15) {
        Frame(picture, 916, 7 + 25 * state.previous_color, 65, 25, white);
    }
    if (state.current_color >= 0 && state.current_color <= 15) {
        Frame(picture, 916, 7 + 25 * state.current_color, 65, 25, black);
    }
    const int tool_top[2] = {438, 523};
    if (state.previous_tool == 0 || state.previous_tool == 1) {
        Frame(picture, 916, tool_top[state.previous_tool], 65, 54, white);
    }
    if (state.current_tool == 0 || state.current_tool == 1) {
        Frame(picture, 916, tool_top[state.current_tool], 65, 54, black);
    }
    return picture;
}

std::string Compare_With_Model(const Editor_Picture& model,
                               const std::vector<std::uint32_t>& actual,
                               const Channel_Masks& masks) {
    const std::uint32_t label = Reduced(white, masks);
    std::ostringstream report;
    if (actual.size() != model.pixels.size()) {
        report << "read back " << actual.size() << " pixels, expected " << model.pixels.size();
        return report.str();
    }
    int mismatches = 0;
    std::vector<int> white_in_box(model.text_boxes.size(), 0);
    for (int y = 0; y < editor_height; ++y) {
        for (int x = 0; x < editor_width; ++x) {
            const std::uint32_t got = actual[y * editor_width + x] & 0xFFFFFF;
            bool text = false;
            for (std::size_t b = 0; b < model.text_boxes.size(); ++b) {
                if (In(model.text_boxes[b], x, y)) {
                    text = true;
                    white_in_box[b] += got == label ? 1 : 0;
                }
            }
            const std::uint32_t expected = Reduced(model.at(x, y), masks);
            if (got == expected || (text && got == label)) {
                continue;
            }
            if (++mismatches <= 10) {
                report << std::hex << "(" << std::dec << x << ", " << y << "): got 0x" << std::hex
                       << got << ", expected 0x" << expected << "\n";
            }
        }
    }
    if (mismatches > 0) {
        report << std::dec << mismatches << " pixels differ\n";
    }
    for (std::size_t b = 0; b < white_in_box.size(); ++b) {
        if (white_in_box[b] == 0) {
            report << "no label pixels in text box " << b << "\n";
        }
    }
    return report.str();
}
