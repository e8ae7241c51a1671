#pragma once
// An image file of any supported kind, decoded one stored row at a time into
// 8-bit RGB: open it (the header gives its kind and size), ask where each
// row lands and read it (into a buffer, or none for a row only to be read
// and checked), then finish. Rows come top to bottom, except that an
// interlaced PNG gives the rows of its passes, each a part of an image row
// (see Pixel_Run). What to keep of them is the caller's business; the
// decoder holds no more than a row or two of its own.
//
// Every step reports what went wrong and gives false on failure; the
// decoder is of no further use then.

#include "core/DTImage.h"
#include "image/Decode_Result.h"
#include "image/PNG_Decoder.h"
#include "image/PPM_Decoder.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

struct Image_Decoder {
    DTImageType type = DTImageTypeUnknown;
    std::int32_t width = 0;
    std::int32_t height = 0;

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

// Where the next stored row lands in the image; none once all are read.
std::optional<Pixel_Run> Next_Image_Run(const Image_Decoder& decoder);

// Decodes the next stored row into `pixels` (room for its run's count), or
// only checks it when `pixels` is null.
bool Read_Image_Run(Image_Decoder* decoder, DTPixel* pixels);

// The conversion to sRGB the file's colour information asks for; none for
// sRGB pixels (and for every PPM). `name` is the file's, for a warning.
Color_Transform Image_Colour_Transform(const Image_Decoder& decoder, const std::string& name);

// Reads and checks what follows the last row. Call after all rows are read.
bool Finish_Image_Decoder(Image_Decoder* decoder);
