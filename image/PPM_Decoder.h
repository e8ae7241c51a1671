#pragma once
// A raw PPM ("P6") decoded one row at a time. The header may hold '#'
// comments wherever whitespace may stand; samples are one byte for a maximum
// value up to 255 and two (most significant first) above, rescaled to 0..255
// unless the maximum is 255.

#include "core/DTImage.h"

#include <cstdint>
#include <cstdio>
#include <vector>

// The file's bytes after "P6": the rest of the 8 already read, then the
// stream, with room to put one byte back. Works on streams that cannot seek.
struct Ppm_Bytes {
    std::uint8_t head[8] = {};
    std::size_t head_at = 2;
    std::FILE* file = nullptr;
    int pushed = EOF;

    int Get();
    void Unget(int c) { pushed = c; }
    // Fills the buffer; false if the bytes run out first.
    bool Read(std::uint8_t* out, std::size_t size);
};

struct Ppm_Decoder {
    Ppm_Bytes in;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int maxval = 0;
    // Rows read so far.
    std::int32_t rows_done = 0;
    // One row as the file stores it.
    std::vector<std::uint8_t> raw;
};

// Reads the header from a stream whose first 8 bytes (given) have been
// consumed, and checks it.
int Open_PPM(Ppm_Decoder* decoder, std::FILE* file, const std::uint8_t header[8]);

// Reads the next row into `row` (width pixels), or only checks it when `row`
// is null.
int Read_PPM_Row(Ppm_Decoder* decoder, DTPixel* row);
