#pragma once
// Large images written for the memory figures, a row at a time and without
// being held whole: a 16384 x 16384 PNG of under a megabyte (plain or
// interlaced), a P6 PPM, and a JPEG (baseline or progressive) of any size.

#include <string>

constexpr int huge_png_side = 16384;

bool Write_Huge_PNG(const std::string& path, bool interlaced);
bool Write_Large_PPM(const std::string& path, int width, int height);
bool Write_Large_JPEG(const std::string& path, int width, int height, bool progressive);
