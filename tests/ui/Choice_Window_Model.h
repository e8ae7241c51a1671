#pragma once
// What the drawing rules say the chooser shows.

#include "core/MQ4_Document.h"
#include "support/X_Driver.h"

#include <array>
#include <string>

// Compares every pixel of a 1024 x 850 chooser with the rules for the four
// pictures (reduced to the image's visual); inside the texts' boxes a pixel may be black (the text)
// and each box must hold some. Gives a description of the first mismatch, or "".
std::string Compare_With_Chooser_Rules(const Screen_Image& image,
                                       const std::array<MQ4_Document, 4>& pictures,
                                       XFontStruct* font);
