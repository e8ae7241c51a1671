#pragma once
// What the format decoders share: their results, where the pixels of each
// decoded row land in the image.

#include <cstdint>

// The steps of a format decoder give read_ok or, after reporting what was
// wrong where the decoder knows, one of the failures.
enum Read_Result : int {
    read_ok = 0,
    read_no_png_state = 1,
    read_no_png_info = 2,
    read_png_error = 3,
    read_not_rgb = 4,
    read_bad_header = 5,
    read_bad_raster = 6,
    read_no_memory = 7,
};

// The pixels of one row as a file stores them: `count` pixels of image row
// y, the first at column x0 and each next one `step` columns on. A whole row
// is (y, 0, 1, width); an interlaced PNG's passes give every second, fourth
// or eighth pixel of some rows.
struct Pixel_Run {
    std::int32_t y = 0;
    std::int32_t x0 = 0;
    std::int32_t step = 1;
    std::int32_t count = 0;
};
