#pragma once
// How close each of the converter's methods comes to an image: the figures
// that `zembrix-convert --compare` prints.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "quant/OctQuant.h"

#include <string>

struct Picture_Quality {
    // Distinct display colours among the picture's pixels.
    int colors = 0;
    // Peak signal-to-noise ratio in dB of the display colours against the
    // image's 8-bit samples; infinite when they match exactly.
    double psnr = 0.0;
    // Mean CIEDE2000 difference between each pixel and its display colour.
    double mean_delta_e = 0.0;
};

// The quality of a picture made from the 128x96 working image.
Picture_Quality Measure_Picture(const DTImage& working, const MQ4_Document& picture);

// One table row: the method's name, colours, PSNR ("inf" for an exact match)
// and mean CIEDE2000.
std::string Format_Quality_Row(const std::string& method, const Picture_Quality& quality);

extern const char* const quality_table_header;

// The header and one row per method, in the methods' order, for an image
// that fills a picture (its first 12288 pixels, as they are converted).
std::string Compare_Methods(const DTImage& loaded, Octree_Workspace& workspace);
