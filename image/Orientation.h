#pragma once
// EXIF orientation: how a camera's stored image is to be turned so that it
// stands upright, read from the file's APP1 block and applied to pixels.
// Values follow the EXIF tag: 1 upright, 2 mirrored left to right, 3 turned
// half round, 4 mirrored top to bottom, 5 mirrored along the main diagonal,
// 6 to be turned a quarter clockwise, 7 mirrored along the other diagonal,
// 8 to be turned a quarter anticlockwise.

#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

#include <cstddef>
#include <cstdint>

// The orientation in the bytes of an APP1 block ("Exif\0\0" and a TIFF
// structure); 1 when there is none or it cannot be read.
int Exif_Orientation(const std::uint8_t* data, std::size_t size);

// Whether the upright image has width and height swapped (5 to 8).
bool Swaps_Sides(int orientation);

// The size of the upright image.
Pixel_Size Upright_Size(Pixel_Size stored, int orientation);

// The image turned upright; other values than 2 to 8 leave it as it is.
DTImage Apply_Orientation(const DTImage& stored, int orientation);

// The pixels of the stored image that become the given rectangle of the
// upright one.
Pixel_Rect Stored_Rect(const Pixel_Rect& upright, Pixel_Size stored, int orientation);
