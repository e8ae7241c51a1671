#pragma once
// How close each of the converter's methods comes to an image: the figures
// that `zembrix-convert --compare` prints.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "quant/OctQuant.h"

#include <string>
#include <vector>

struct Picture_Quality {
    // Distinct display colours among the picture's pixels.
    int colors = 0;
    // Peak signal-to-noise ratio in dB of the display colours against the
    // image's 8-bit samples; infinite when they match exactly.
    double psnr = 0.0;
    // Mean CIEDE2000 difference between each pixel and its display colour.
    double mean_delta_e = 0.0;
    // What the eye sees of a picture this small: the mean CIEDE2000 after
    // both are blurred by a Gaussian of sigma 1 pixel in linear light (see
    // quant/Perceived_Difference.h), which lets dithering count as the mix
    // of colours it makes.
    double perceived = 0.0;
};

// The quality of a picture made from the 128x96 working image.
Picture_Quality Measure_Picture(const DTImage& working, const MQ4_Document& picture);

// One table row: the method's name, colours, PSNR ("inf" for an exact match),
// mean CIEDE2000 and perceived difference.
std::string Format_Quality_Row(const std::string& method, const Picture_Quality& quality);

extern const char* const quality_table_header;

struct Compared_Picture {
    // The table's name for it: a method's, or "refined+KIND" for the refined
    // palette with a dither kind.
    std::string name;
    // The converter's options that make it.
    std::string options;
    MQ4_Document picture;
    Picture_Quality quality;
};

// Every method's picture of an image that fills a picture (its first 12288
// pixels, as they are converted), in the methods' order, followed by the
// refined palette with each dither kind that no method names already.
std::vector<Compared_Picture> Compare_Pictures(const DTImage& loaded, Octree_Workspace& workspace);

// The header and one row for each of the pictures, in their order.
std::string Comparison_Table(const std::vector<Compared_Picture>& pictures);

// The table of Compare_Pictures.
std::string Compare_Methods(const DTImage& loaded, Octree_Workspace& workspace);

// The compared pictures side by side, each labelled with its options and its
// perceived difference (see convert/Contact_Sheet.h).
DTImage Comparison_Sheet(const std::vector<Compared_Picture>& pictures);
