#pragma once
// The picture editor window.

#include <functional>

struct MQ4_Document;

// What SAVE does with the picture as it stands; the caller decides where it
// goes (the window program asks for a file).
using Save_Action = std::function<void(const MQ4_Document&)>;

// Lets the user pick colours (palette or eyedropper), paint single pixels with
// the pencil and save the picture, until EXIT, Escape or the window's close
// button. Edits are made in place in the document. Always returns 0.
int MQ4_Editor(MQ4_Document* document, const Save_Action& save);
