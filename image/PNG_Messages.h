#pragma once
// libpng's error and warning handlers, worded as libpng's own defaults word
// them ("libpng error: ...", "libpng warning: ..."), but passed through
// Report so that a batch job keeps them with its other reasons. Given to
// png_create_read_struct and png_create_write_struct.

#include <png.h>

// Reports the error and leaves through libpng's longjmp to the setjmp of the
// read or write in progress; it never returns.
void Report_PNG_Error(png_structp png, png_const_charp message);

void Report_PNG_Warning(png_structp png, png_const_charp message);
