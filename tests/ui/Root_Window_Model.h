#pragma once
// What the drawing rules say the start window shows.

#include "support/X_Driver.h"

// Compares every pixel of a 640 x 480 start window with the rules (reduced to
// the image's visual); inside the
// three text boxes a pixel may be white or the plate's grey, and each box
// must hold some white. Gives a description of the first mismatch, or "".
std::string Compare_With_Root_Rules(const Screen_Image& image, XFontStruct* font);
