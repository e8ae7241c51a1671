#pragma once
// The converter's peak memory on large images, with and without --fit: a
// 16384 x 16384 PNG (plain, interlaced, and piped), a 10000 x 10000 PPM and
// JPEG, and the largest progressive JPEG it accepts.

#include "bench/Bench_Report.h"

#include <string>

// Adds the figures to the report; the images are written into `scratch`
// one at a time and removed again.
void Add_Large_Image_Figures(const std::string& converter, const std::string& scratch,
                             Bench_Report& report);
