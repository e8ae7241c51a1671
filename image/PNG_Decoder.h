#pragma once
// A PNG decoded with libpng one row at a time, as 8-bit RGB: 16-bit samples
// lose their low byte, palettes and grey become RGB, alpha is dropped.

#include "image/DTImage.h"

#include <cstdint>
#include <cstdio>
#include <png.h>
#include <vector>

struct Png_Decoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // 1, or 7 for an interlaced image.
    int passes = 1;
    // Rows handed out so far.
    std::int32_t rows_done = 0;
    // An interlaced image is decoded through all its passes at its first
    // row; the rows that the caller keeps are gathered here meanwhile.
    std::vector<DTPixel> gathered;

    Png_Decoder() = default;
    Png_Decoder(const Png_Decoder&) = delete;
    Png_Decoder& operator=(const Png_Decoder&) = delete;
    ~Png_Decoder();
};

// Reads the header from a stream whose 8 signature bytes have been consumed
// and which holds `rest_size` more bytes, and checks the size against the
// limits and against what so many bytes can hold.
int Open_PNG(Png_Decoder* decoder, std::FILE* file, std::uint64_t rest_size);

// Decodes the next row, top to bottom, into `row` (width pixels), or only
// checks it when `row` is null. Of an interlaced image only the top
// `kept_rows` rows may be asked for with a buffer; the value is taken at the
// first row.
int Read_PNG_Row(Png_Decoder* decoder, DTPixel* row, std::int32_t kept_rows);

// Reads the rest of the file's chunks after the last row.
int Finish_PNG(Png_Decoder* decoder);
