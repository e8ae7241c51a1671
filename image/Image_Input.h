#pragma once
// The converter's images: read from a file or from standard input ("-"),
// PNG, PPM, JPEG, WebP, HEIC/AVIF, GIF or TIFF recognised by their first
// bytes, either whole (the first 128x96 pixels of the upright image) or
// fitted to the 128x96 picture as they are decoded. A JPEG is turned upright
// by its EXIF orientation, a HEIF image as the file asks. A file's colour
// profile is honoured (image/Color_Profile.h) on every road but a PNG's or
// PPM's without fitting, which are read exactly as the window program's
// import reads them (CreateImageFromFile, PNG and PPM only).

#include "image/Fit_Geometry.h"
#include "image/Image_File.h"
#include "image/Peeked_Stream.h"

#include <cstdio>
#include <optional>
#include <string>

// Whether the name stands for standard input (or output): "-".
bool Is_Standard_Stream(const std::string& path);

// The name messages use for the input.
std::string Input_Name(const std::string& path);

// The image of the file (or standard input), whole when the mode is none and
// fitted to 128x96 otherwise. None after a report (core/Report.h).
std::optional<DTImage> Load_Input_Image(const std::string& path, Fit_Mode mode);

// The same from an open stream positioned at the file's first byte, which
// need not be able to seek; `name` is used in messages.
std::optional<DTImage> Read_Input_Stream(std::FILE* file, const std::string& name, Fit_Mode mode);

// The same from a stream whose first bytes have been looked at.
std::optional<DTImage> Read_Peeked_Image(const Peeked_Stream& stream, const std::string& name,
                                         Fit_Mode mode);
