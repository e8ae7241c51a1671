#pragma once
// Reading a PNG or raw P6 PPM file into a plain 8-bit RGB image.

#include "core/DTImage.h"
#include "image/Image_Size.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

// Kind of file from its first 8 bytes; the PNG signature is tested first.
DTImageType IdentifyImageType(const std::uint8_t header[8]);

constexpr std::uint64_t keep_all_pixels = UINT64_MAX;

// Reads the image file at path, keeping its first `keep_pixels` pixels in
// storage order (all by default): width, height and pixelCount are the
// file's, `pixels` holds no more than that many. Every row is read and
// checked all the same, so a file is refused or accepted whatever is kept.
// On failure reports what went wrong (core/Report.h) and gives no image.
std::optional<DTImage> CreateImageFromFile(const char* path,
                                           std::uint64_t keep_pixels = keep_all_pixels);

// The same reader over file bytes already in memory.
std::optional<DTImage> CreateImageFromMemory(const std::uint8_t* data, std::size_t size,
                                             std::uint64_t keep_pixels = keep_all_pixels);

// The same reader over an open stream positioned at the file's first byte.
std::optional<DTImage> CreateImageFromStream(std::FILE* file,
                                             std::uint64_t keep_pixels = keep_all_pixels);

// The distinct colours of the image file at the path, in order of first
// appearance in storage order, or more than `limit` of them (then which is
// left open). Every row is read and checked as CreateImageFromFile does, and
// a failure reported the same way; none then.
std::optional<std::vector<DTPixel>> Read_Image_Colors(const char* path, std::size_t limit);
