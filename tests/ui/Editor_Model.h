#pragma once
// An independent model of what the editor window must show: the expected
// colour of every one of its 1000 x 672 pixels for a picture and a selection.

#include "core/MQ4_Document.h"
#include "support/X_Driver.h"
#include "ui/Editor_State.h"

#include <X11/Xlib.h>
#include <cstdint>
#include <string>
#include <vector>

constexpr int editor_width = 1000;
constexpr int editor_height = 672;

struct Text_Box {
    int left, top, right, bottom; // bounds included
};

struct Editor_Picture {
    std::vector<std::uint32_t> pixels =
        std::vector<std::uint32_t>(editor_width * editor_height, 0xFFFFFF);
    // Inside these boxes a button label may have put white pixels.
    std::vector<Text_Box> text_boxes;

    std::uint32_t at(int x, int y) const { return pixels[y * editor_width + x]; }
};

struct Label_Boxes {
    Text_Box save;
    Text_Box exit;
};

// Where the SAVE and EXIT labels can put pixels in the server's default font.
Label_Boxes Editor_Label_Boxes(Display* display);

// save_text and exit_text: the boxes of the two labels in the font in use.
Editor_Picture Model_Editor(const MQ4_Document& document, const Editor_State& state,
                            const Text_Box& save_text, const Text_Box& exit_text);

// Compares a read-back picture (row-major pixel values of a visual with these
// masks) with the model reduced to that visual. Gives an empty string when
// every pixel matches, else a description of the mismatches. Each label box
// must also hold at least one white pixel.
std::string Compare_With_Model(const Editor_Picture& model,
                               const std::vector<std::uint32_t>& actual,
                               const Channel_Masks& masks = {});
