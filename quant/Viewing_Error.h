#pragma once
// A fast stand-in for how different a 16-colour picture looks from its image
// when both are seen as an eye sees them: the difference of the two in linear
// light, blurred by a Gaussian of sigma 1 pixel, weighted at every pixel by
// the local scale of CIEDE2000 (L*a*b* taken to first order, with
// CIEDE2000's lightness, chroma and hue factors), squared and summed; plus a
// share of the same weighted difference without the blur, so that noise that
// the blur averages away still costs something. Being quadratic in the
// shown colours, the error of a one-pixel change can be found from a few
// numbers around it, and the best palette for given pixels by least squares.

#include "core/DTImage.h"

#include <array>
#include <cstdint>
#include <vector>

// A colour in linear light, each channel 0..1.
using Linear_Color = std::array<float, 3>;

// A symmetric 3x3 matrix: xx, xy, xz, yy, yz, zz.
using Sym3 = std::array<float, 6>;

Linear_Color Linear_Of(DTPixel color);
// The 8-bit sRGB value of a linear-light sample (0..1, clamped).
double Srgb_Of_Linear(double linear);

// Inline: the search calls them for every colour of every pixel.
inline Linear_Color Times(const Sym3& m, const Linear_Color& v) {
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[1] * v[0] + m[3] * v[1] + m[4] * v[2],
            m[2] * v[0] + m[4] * v[1] + m[5] * v[2]};
}

inline float Dot(const Linear_Color& a, const Linear_Color& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The Gaussian's taps beside a pixel and how far they reach.
constexpr int blur_radius = 3;
constexpr int blur_taps = 2 * blur_radius + 1;

// Everything about the image that the error needs, worked out once.
struct Viewing_Model {
    int width = 0;
    int height = 0;
    std::vector<Linear_Color> input;
    std::vector<Linear_Color> blurred_input;
    // Each pixel's weight of a blurred difference, and of an unblurred one.
    std::vector<Sym3> blurred_weight;
    std::vector<Sym3> plain_weight;
    // The blur along each axis, with the image's edges clamped as in
    // quant/Perceived_Difference.h (taps beyond the edge fall on the edge
    // pixel): the share of source column x + t - blur_radius in blurred
    // column x is column_taps[x][t], and likewise for rows.
    std::vector<std::array<float, blur_taps>> column_taps;
    std::vector<std::array<float, blur_taps>> row_taps;
    // The curvature of the error in each pixel's own colour: the sum of its
    // squared blur shares times the blurred weights around it, plus its
    // plain weight. Fixed, whatever the pixels.
    std::vector<Sym3> self_weight;
};

// The model with both terms weighted 1.
Viewing_Model Make_Viewing_Model(const DTImage& image);

// Weights the blurred and the unblurred term by the factors.
void Scale_Terms(Viewing_Model* model, float blurred, float plain);

// The share of pixel (px, py) in the blurred value at (qx, qy), which must be
// within blur_radius of it on both axes.
inline float Blur_Share(const Viewing_Model& model, int px, int py, int qx, int qy) {
    return model.column_taps[qx][px - qx + blur_radius] * model.row_taps[qy][py - qy + blur_radius];
}

// The blurred image of linear-light values, with the model's blur.
std::vector<Linear_Color> Blur(const Viewing_Model& model, const std::vector<Linear_Color>& image);

struct Viewing_Terms {
    double blurred = 0;
    double plain = 0;
};

// The two terms of the error of a picture: each pixel shows
// palette[indices[n]].
Viewing_Terms Error_Terms(const Viewing_Model& model, const std::vector<Linear_Color>& palette,
                          const std::vector<std::uint8_t>& indices);

// Their sum.
double Viewing_Error(const Viewing_Model& model, const std::vector<Linear_Color>& palette,
                     const std::vector<std::uint8_t>& indices);
