#pragma once
// A PNG decoded with libpng one stored row at a time, as 8-bit RGB: 16-bit
// samples lose their low byte, palettes and grey become RGB, alpha is
// dropped. An interlaced image comes as its passes' rows, each pixel at its
// place in the image, so that no decoder needs the whole image at once.

#include "core/DTImage.h"
#include "image/Color_Profile.h"
#include "image/Decode_Result.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <png.h>
#include <string>

struct Png_Decoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    // Bytes of the file after its signature, when known (not for a pipe),
    // and how many of them libpng has read.
    std::optional<std::uint64_t> rest_size;
    std::uint64_t bytes_read = 0;
    // The size of the file's own rows (at its own depth, before widening).
    std::uint64_t file_row_bytes = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // 0 for a plain image; 0 to 6 through an interlaced image's passes, 7
    // once every row has been read.
    int pass = 0;
    bool interlaced = false;
    // Rows of the pass read so far.
    std::int32_t pass_rows_done = 0;

    Png_Decoder() = default;
    Png_Decoder(const Png_Decoder&) = delete;
    Png_Decoder& operator=(const Png_Decoder&) = delete;
    ~Png_Decoder();
};

// Reads the header from a stream whose 8 signature bytes have been consumed
// and which holds `rest_size` more bytes when that is known, and checks the
// size against the limits and against what so many bytes can hold. Of a
// stream of unknown length that is weighed once a failure has been met: a
// file too short for its header is refused as such, however it failed.
int Open_PNG(Png_Decoder* decoder, std::FILE* file, std::optional<std::uint64_t> rest_size);

// Where the next stored row lands; none once every row has been read.
std::optional<Pixel_Run> Next_PNG_Run(const Png_Decoder& decoder);

// Decodes the next stored row into `pixels` (room for its run's count), or
// only checks it when `pixels` is null.
int Read_PNG_Run(Png_Decoder* decoder, DTPixel* pixels);

// The conversion to sRGB that the header's colour chunks ask for: an iCCP
// profile, else cHRM primaries and a gAMA exponent; none for an sRGB chunk,
// for none of them, and for a gamma of 1/2.2 alone (meant as sRGB).
Color_Transform PNG_Colour_Transform(const Png_Decoder& decoder, const std::string& name);

// Reads the rest of the file's chunks after the last row.
int Finish_PNG(Png_Decoder* decoder);
