#pragma once
// How different two pictures look when seen small: both are blurred in linear
// light, as the eye merges neighbouring pixels of a 128x96 picture, and the
// mean CIEDE2000 of the blurred pixels is taken. A dithered picture whose
// pattern averages to the original scores close to it, unlike in a
// pixel-by-pixel difference.

#include "core/DTImage.h"

// The mean CIEDE2000 over all pixels after a Gaussian blur of `sigma` pixels
// (edges clamped) of both images in linear light; sigma 0 or less compares
// the pixels unblurred. The images must have the same size and hold all
// their pixels; throws std::invalid_argument otherwise. Two empty images
// differ by 0.
double Perceived_Difference(const DTImage& a, const DTImage& b, double sigma = 1.0);
