#pragma once
// How different two colours look: 8-bit sRGB to CIE L*a*b* under the D65
// white, and the CIEDE2000 colour difference of two L*a*b* colours.

#include <cstdint>

struct Lab_Color {
    double L;
    double a;
    double b;
};

// An sRGB sample 0..255 as linear light 0..1.
double Srgb_To_Linear(std::uint8_t sample);

// The L*a*b* colour of linear-light RGB, each 0..1 (D65 white).
Lab_Color Linear_To_Lab(double red, double green, double blue);

// The L*a*b* colour of an 8-bit sRGB triple (D65 white, 2 degree observer).
Lab_Color Srgb_To_Lab(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The CIEDE2000 difference with the parametric factors kL = kC = kH = 1.
double Ciede2000(const Lab_Color& first, const Lab_Color& second);
