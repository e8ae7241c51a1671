#pragma once
// An image file of any supported kind, decoded one row at a time, top to
// bottom, into 8-bit RGB: open it (the header gives its kind and size), ask
// for each row in turn (into a buffer, or none for a row only to be read and
// checked), then finish. What to keep of the rows is the caller's business;
// the decoder holds no more than a row or two of its own, except the rows
// an interlaced PNG must gather through its passes (see kept_rows).
//
// Every step reports what went wrong and gives false on failure; the
// decoder is of no further use then.

#include "app/File_Handle.h"
#include "image/DTImage.h"
#include "image/PNG_Decoder.h"
#include "image/PPM_Decoder.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

struct Image_Decoder {
    // A PNG from a stream of unknown length (a pipe) is read whole first;
    // its bytes and the stream over them.
    std::vector<std::uint8_t> piped;
    File_Handle piped_stream;

    DTImageType type = DTImageTypeUnknown;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // How many rows from the top the caller asks for with a buffer; below
    // them it passes none. Set before the first row. An interlaced PNG holds
    // these rows until its last pass.
    std::int32_t kept_rows = std::numeric_limits<std::int32_t>::max();

    // The format's own decoder, by type.
    Png_Decoder png;
    Ppm_Decoder ppm;

    Image_Decoder() = default;
    Image_Decoder(const Image_Decoder&) = delete;
    Image_Decoder& operator=(const Image_Decoder&) = delete;
};

// Reads the file's first bytes and its header from a stream positioned at
// the file's first byte; `size` is what it holds from there, when known.
bool Open_Image_Decoder(Image_Decoder* decoder, std::FILE* file, std::optional<std::uint64_t> size);

// Bytes left in a regular file from its current position; none for a pipe,
// a terminal or a memory stream.
std::optional<std::uint64_t> Remaining_Size(std::FILE* file);

// The next row as width pixels, or checked only when `row` is null.
bool Read_Image_Row(Image_Decoder* decoder, DTPixel* row);

// Reads and checks what follows the last row. Call after all rows are read.
bool Finish_Image_Decoder(Image_Decoder* decoder);
