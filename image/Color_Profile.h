#pragma once
// Colour management with Little CMS: the pixels of a file that carries a
// colour profile are converted to sRGB (relative colorimetric, with black
// point compensation) before anything else is done with them. A profile that
// moves no colour by more than one step counts as sRGB, and its file's
// pixels are left as they are; a profile that cannot be used is reported as
// a warning and the file is taken as sRGB.

#include "core/DTImage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// How the samples handed to a transform are laid out.
enum class Sample_Layout {
    rgb,           // 8-bit RGB, or grey repeated in R, G and B
    cmyk,          // 8-bit CMYK, 255 full ink
    cmyk_inverted, // Adobe's inverted CMYK, 0 full ink
};

struct Color_Transform_Deleter {
    void operator()(void* transform) const;
};
// An lcms2 transform to 8-bit sRGB; empty where pixels stay as they are.
using Color_Transform = std::unique_ptr<void, Color_Transform_Deleter>;

// The primaries (CIE xy of red, green, blue and white) and tone curve of a
// profile described rather than embedded: PNG's cHRM and gAMA, an nclx box.
struct Described_Profile {
    double red_x = 0.64, red_y = 0.33;
    double green_x = 0.30, green_y = 0.60;
    double blue_x = 0.15, blue_y = 0.06;
    double white_x = 0.3127, white_y = 0.3290;
    enum class Curve { srgb, gamma } curve = Curve::srgb;
    double gamma = 2.2; // the exponent that decodes, for Curve::gamma
};

// The transform for an embedded ICC profile whose samples come laid out as
// given; `name` is the file's for the warning.
Color_Transform ICC_To_sRGB(const std::uint8_t* icc, std::size_t size, Sample_Layout layout,
                            const std::string& name);

// Reports that the file's colour profile cannot be read, so that its colours
// are taken as sRGB.
void Warn_Unreadable_Profile(const std::string& name);

// The transform for a described profile (RGB samples).
Color_Transform Described_To_sRGB(const Described_Profile& profile, const std::string& name);

// Converts `count` pixels in place (RGB layout).
void Convert_Row(const Color_Transform& transform, DTPixel* pixels, std::size_t count);

// Converts `count` pixels of 4-byte CMYK samples into RGB pixels.
void Convert_CMYK_Row(const Color_Transform& transform, const std::uint8_t* samples,
                      DTPixel* pixels, std::size_t count);
