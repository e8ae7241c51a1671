#pragma once
// A contact sheet: pictures side by side, each enlarged and labelled under
// it, so that a user compares them by eye and copies the option from the
// label. The labels are drawn with stb_easy_font's bitmap font.

#include "core/DTImage.h"

#include <string>
#include <vector>

struct Sheet_Entry {
    // Printable ASCII; '\n' starts a new line, other characters show as '?'.
    std::string label;
    DTImage image;
};

struct Sheet_Layout {
    int scale = 2;   // each picture pixel as scale x scale sheet pixels
    int columns = 4; // pictures a row, at most
    int label_lines = 2;
};

// The sheet as an RGB image: the entries row by row in their order, each in a
// cell as large as the largest picture enlarged, with its label under it
// (lines beyond label_lines are left out, text beyond the cell cut off).
// No entries make an empty image.
DTImage Contact_Sheet(const std::vector<Sheet_Entry>& entries, const Sheet_Layout& layout = {});
