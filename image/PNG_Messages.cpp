#include "image/PNG_Messages.h"

#include "app/Report.h"

void Report_PNG_Error(png_structp png, png_const_charp message) {
    // Report has returned, and freed what it built, before the jump.
    Report("libpng error: %s\n", message ? message : "undefined");
    png_longjmp(png, 1);
}

void Report_PNG_Warning(png_structp, png_const_charp message) {
    Report("libpng warning: %s\n", message);
}
