#pragma once
// JPEG decoding with libjpeg-turbo, pulled a row at a time: baseline and
// progressive files, greyscale, colour and CMYK (Adobe's inverted CMYK
// included), shrunk by libjpeg's own DCT scaling where a smaller image will
// do. libjpeg reports errors by longjmp, so every call into it is made from a
// guarded function that holds no object with a destructor; its warnings (a
// truncated file, corrupt data) count as errors, so that a damaged file is
// refused rather than shown half grey. Every failure is reported
// (core/Report.h) in one line that names the file.

#include "core/DTImage.h"
#include "image/Color_Profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// The first bytes of every JPEG file: a start-of-image marker and the next
// marker's first byte.
bool Is_JPEG_Signature(const std::uint8_t* bytes, std::size_t size);

// The most memory libjpeg may take for one image. A progressive (or other
// multi-scan) file is held whole as DCT coefficients while it is decoded:
// 3 bytes a pixel at the usual 4:2:0, 6 at full colour resolution. So every
// such file up to 55 megapixels is read whatever its sampling (the largest
// camera photos are 50), up to 110 at 4:2:0, while a small file that claims
// a larger size cannot make the program take more.
constexpr long jpeg_memory_limit = 320L << 20;

struct Jpeg_Decoder; // libjpeg's state, defined in JPEG_Reader.cpp
struct Jpeg_Decoder_Deleter {
    void operator()(Jpeg_Decoder* decoder) const;
};
using Jpeg_Handle = std::unique_ptr<Jpeg_Decoder, Jpeg_Decoder_Deleter>;

struct Jpeg_Header {
    int width = 0; // as stored, before any turning upright
    int height = 0;
    int orientation = 1;           // EXIF orientation, 1 to 8 (see image/Orientation.h)
    std::vector<std::uint8_t> icc; // the embedded colour profile, if any
    bool cmyk = false;             // samples are CMYK (or YCCK)
    bool inverted = false;         // Adobe's inverted CMYK
};

// Reads the file's header from the stream, which must stay open while the
// handle lives. `name` is the file's name for messages. None after a message.
Jpeg_Handle Open_JPEG(std::FILE* file, const std::string& name, Jpeg_Header* header);

// Starts decoding at the smallest DCT scale (1/8 to 8/8) that gives rows of
// at least min_width pixels and at least min_height rows; gives that size.
// False after a message (a progressive file too large for the memory limit).
bool Start_JPEG(Jpeg_Decoder* decoder, int min_width, int min_height, int* width, int* height);

// Hands a CMYK file's samples to the transform rather than mixing inks
// naively: for a file with a CMYK profile. Call before Start_JPEG.
void Set_JPEG_CMYK_Transform(Jpeg_Decoder* decoder, Color_Transform transform);

// Decodes the next row into `row` (the width Start_JPEG gave) as 8-bit RGB,
// or only checks it when `row` is null.
bool Read_JPEG_Row(Jpeg_Decoder* decoder, DTPixel* row);

// After the last row: reads the rest of the file, so that damage after the
// image data is found too.
bool Finish_JPEG(Jpeg_Decoder* decoder);
