#pragma once
// What the fuzz targets check, one input at a time. Each runs the bytes
// through a part of the program and gives what was wrong with the outcome, or
// an empty text when all is well. The fuzz targets abort on a complaint; the
// test suite runs every kept reproducer through the same checks.

#include <cstddef>
#include <cstdint>
#include <string>

// The image loader gives a consistent image or none, and the same outcome
// and first pixels when it keeps only a picture's pixels.
std::string Check_Image_Loader(const std::uint8_t* data, std::size_t size);

// The MQ4 reader gives a picture in range that saves back to the bytes it
// came from, or refuses a file shorter than 6657 bytes.
std::string Check_MQ4_Reader(const std::uint8_t* data, std::size_t size);

// The converter's reader (JPEG, WebP, HEIF, GIF and TIFF included) gives a consistent image (its
// first pixels) or none, and a 128x96 image or none when fitting; the same from a stream of unknown
// length (a pipe); and a PNG or PPM fitted as its rows arrive is the fit of its whole image (when
// it has no colour chunks).
std::string Check_Photo_Input(const std::uint8_t* data, std::size_t size);

// Bytes taken as an embedded colour profile give a transform (or a one-line
// warning and none) for each kind of samples, and converting a row through
// it touches nothing beyond the row.
std::string Check_Color_Profile(const std::uint8_t* data, std::size_t size);

// A loadable image converts into four pictures whose indices lie in their
// palettes, three of them sharing one palette.
std::string Check_Conversion(const std::uint8_t* data, std::size_t size);
