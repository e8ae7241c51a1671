#include "image/PNG_Messages.h"

#include "core/Report.h"

// No exception may leave these: libpng's own frames lie between them and
// any handler.

void Report_PNG_Error(png_structp png, png_const_charp message) {
    try {
        Report("libpng error: %s\n", message ? message : "undefined");
    } catch (...) {
        // Out of memory even for the message: the refusal still follows.
    }
    // Report has returned, and freed what it built, before the jump.
    png_longjmp(png, 1);
}

void Report_PNG_Warning(png_structp, png_const_charp message) {
    try {
        Report("libpng warning: %s\n", message);
    } catch (...) {
        // A warning that cannot be told is dropped.
    }
}
