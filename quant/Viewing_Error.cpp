#include "quant/Viewing_Error.h"

#include "quant/Color_Difference.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;

// Linear sRGB to XYZ under D65, and the white's XYZ.
constexpr Matrix3 to_xyz{{{0.4124564, 0.3575761, 0.1804375},
                          {0.2126729, 0.7151522, 0.0721750},
                          {0.0193339, 0.1191920, 0.9503041}}};
constexpr std::array<double, 3> white{0.95047, 1.0, 1.08883};
constexpr double lab_delta = 6.0 / 29.0;

double Lab_F(double t) {
    return t > lab_delta * lab_delta * lab_delta ? std::cbrt(t)
                                                 : t / (3 * lab_delta * lab_delta) + 4.0 / 29.0;
}

double Lab_F_Slope(double t) {
    return t > lab_delta * lab_delta * lab_delta ? 1.0 / (3.0 * std::cbrt(t * t))
                                                 : 1.0 / (3 * lab_delta * lab_delta);
}

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// The weight of a small linear-light difference at the colour: the squared
// CIEDE2000 difference it makes, to first order. L*a*b*'s Jacobian is scaled
// along lightness, chroma and hue by CIEDE2000's factors there, with a*
// stretched as it stretches it for near-neutral colours; the small
// rotation term of blues is left out.
Sym3 Difference_Weight(const Linear_Color& color) {
    std::array<double, 3> xyz{};
    for (int i = 0; i < 3; ++i) {
        for (int c = 0; c < 3; ++c) {
            xyz[i] += to_xyz[i][c] * std::clamp(static_cast<double>(color[c]), 0.0, 1.0);
        }
    }
    std::array<double, 3> f{};
    std::array<double, 3> slope{};
    for (int i = 0; i < 3; ++i) {
        f[i] = Lab_F(xyz[i] / white[i]);
        slope[i] = Lab_F_Slope(xyz[i] / white[i]) / white[i];
    }
    const double L = 116 * f[1] - 16;
    const double a = 500 * (f[0] - f[1]);
    const double b = 200 * (f[1] - f[2]);
    // d(L, a, b) / d(X, Y, Z), then times to_xyz.
    const Matrix3 lab_of_xyz{{{0, 116 * slope[1], 0},
                              {500 * slope[0], -500 * slope[1], 0},
                              {0, 200 * slope[1], -200 * slope[2]}}};
    Matrix3 jacobian{};
    for (int i = 0; i < 3; ++i) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) {
                jacobian[i][c] += lab_of_xyz[i][k] * to_xyz[k][c];
            }
        }
    }
    const double chroma = std::hypot(a, b);
    const double c7 = std::pow(chroma, 7.0);
    const double stretch = 1.0 + 0.5 * (1.0 - std::sqrt(c7 / (c7 + 6103515625.0)));
    const double a_prime = stretch * a;
    const double c_prime = std::hypot(a_prime, b);
    const double hue = std::atan2(b, a_prime) * 180.0 / std::numbers::pi;
    const double t = 1.0 - 0.17 * std::cos(Radians(hue - 30.0)) +
                     0.24 * std::cos(Radians(2 * hue)) + 0.32 * std::cos(Radians(3 * hue + 6.0)) -
                     0.20 * std::cos(Radians(4 * hue - 63.0));
    const double L_offset = (L - 50.0) * (L - 50.0);
    const double s_L = 1.0 + 0.015 * L_offset / std::sqrt(20.0 + L_offset);
    const double s_C = 1.0 + 0.045 * c_prime;
    const double s_H = 1.0 + 0.015 * c_prime * t;
    // Chroma and hue directions in (a', b); any pair for a neutral colour.
    const bool neutral = c_prime < 1e-6;
    const double ua = neutral ? 1.0 : a_prime / c_prime;
    const double ub = neutral ? 0.0 : b / c_prime;
    Matrix3 k{};
    for (int c = 0; c < 3; ++c) {
        const double da = stretch * jacobian[1][c];
        const double db = jacobian[2][c];
        k[0][c] = jacobian[0][c] / s_L;
        k[1][c] = (ua * da + ub * db) / s_C;
        k[2][c] = (ua * db - ub * da) / s_H;
    }
    Sym3 m{};
    const int rows[6] = {0, 0, 0, 1, 1, 2};
    const int cols[6] = {0, 1, 2, 1, 2, 2};
    for (int e = 0; e < 6; ++e) {
        double sum = 0;
        for (int i = 0; i < 3; ++i) {
            sum += k[i][rows[e]] * k[i][cols[e]];
        }
        m[e] = static_cast<float>(sum);
    }
    return m;
}

// Edges are clamped, as in quant/Perceived_Difference.h: taps beyond the
// image take its edge pixel, so the edge pixel's share gathers them.
std::vector<std::array<float, blur_taps>> Axis_Taps(int size) {
    std::array<double, blur_taps> gauss{};
    double total = 0;
    for (int t = 0; t < blur_taps; ++t) {
        const double offset = t - blur_radius;
        gauss[t] = std::exp(-offset * offset / 2.0);
        total += gauss[t];
    }
    std::vector<std::array<float, blur_taps>> taps(size);
    for (int x = 0; x < size; ++x) {
        std::array<double, blur_taps> shares{};
        for (int t = 0; t < blur_taps; ++t) {
            const int source = std::clamp(x + t - blur_radius, 0, size - 1);
            shares[source - x + blur_radius] += gauss[t] / total;
        }
        for (int t = 0; t < blur_taps; ++t) {
            taps[x][t] = static_cast<float>(shares[t]);
        }
    }
    return taps;
}

Sym3 Scaled(const Sym3& m, float factor) {
    Sym3 scaled;
    for (int e = 0; e < 6; ++e) {
        scaled[e] = m[e] * factor;
    }
    return scaled;
}

double Quadratic(const Sym3& m, const Linear_Color& v) {
    return Dot(v, Times(m, v));
}

} // namespace

Linear_Color Linear_Of(DTPixel color) {
    return {static_cast<float>(Srgb_To_Linear(color.r)),
            static_cast<float>(Srgb_To_Linear(color.g)),
            static_cast<float>(Srgb_To_Linear(color.b))};
}

double Srgb_Of_Linear(double linear) {
    const double c = std::clamp(linear, 0.0, 1.0);
    return 255.0 * (c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055);
}

std::vector<Linear_Color> Blur(const Viewing_Model& model, const std::vector<Linear_Color>& image) {
    const int width = model.width;
    const int height = model.height;
    std::vector<Linear_Color> across(image.size(), Linear_Color{});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Linear_Color& sum = across[static_cast<std::size_t>(y) * width + x];
            for (int t = 0; t < blur_taps; ++t) {
                const int source = x + t - blur_radius;
                if (source >= 0 && source < width) {
                    const Linear_Color& value = image[static_cast<std::size_t>(y) * width + source];
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += model.column_taps[x][t] * value[c];
                    }
                }
            }
        }
    }
    std::vector<Linear_Color> blurred(image.size(), Linear_Color{});
    for (int y = 0; y < height; ++y) {
        for (int t = 0; t < blur_taps; ++t) {
            const int source = y + t - blur_radius;
            if (source < 0 || source >= height) {
                continue;
            }
            for (int x = 0; x < width; ++x) {
                const Linear_Color& value = across[static_cast<std::size_t>(source) * width + x];
                Linear_Color& sum = blurred[static_cast<std::size_t>(y) * width + x];
                for (int c = 0; c < 3; ++c) {
                    sum[c] += model.row_taps[y][t] * value[c];
                }
            }
        }
    }
    return blurred;
}

namespace {

void Compute_Self_Weight(Viewing_Model* model) {
    model->self_weight.assign(model->input.size(), Sym3{});
    for (int py = 0; py < model->height; ++py) {
        for (int px = 0; px < model->width; ++px) {
            std::array<double, 6> sum{};
            const int top = std::max(py - blur_radius, 0);
            const int bottom = std::min(py + blur_radius, model->height - 1);
            const int left = std::max(px - blur_radius, 0);
            const int right = std::min(px + blur_radius, model->width - 1);
            for (int qy = top; qy <= bottom; ++qy) {
                for (int qx = left; qx <= right; ++qx) {
                    const double share = Blur_Share(*model, px, py, qx, qy);
                    const Sym3& weight =
                        model->blurred_weight[static_cast<std::size_t>(qy) * model->width + qx];
                    for (int e = 0; e < 6; ++e) {
                        sum[e] += share * share * weight[e];
                    }
                }
            }
            const std::size_t p = static_cast<std::size_t>(py) * model->width + px;
            for (int e = 0; e < 6; ++e) {
                model->self_weight[p][e] = static_cast<float>(sum[e] + model->plain_weight[p][e]);
            }
        }
    }
}

} // namespace

Viewing_Model Make_Viewing_Model(const DTImage& image) {
    Viewing_Model model;
    model.width = image.width;
    model.height = image.height;
    model.column_taps = Axis_Taps(image.width);
    model.row_taps = Axis_Taps(image.height);
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    model.input.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        model.input.push_back(n < image.pixels.size() ? Linear_Of(image.pixels[n])
                                                      : Linear_Color{});
    }
    model.blurred_input = Blur(model, model.input);
    model.blurred_weight.reserve(count);
    model.plain_weight.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        model.blurred_weight.push_back(Difference_Weight(model.blurred_input[n]));
        model.plain_weight.push_back(Difference_Weight(model.input[n]));
    }
    Compute_Self_Weight(&model);
    return model;
}

void Scale_Terms(Viewing_Model* model, float blurred, float plain) {
    for (Sym3& weight : model->blurred_weight) {
        weight = Scaled(weight, blurred);
    }
    for (Sym3& weight : model->plain_weight) {
        weight = Scaled(weight, plain);
    }
    Compute_Self_Weight(model);
}

Viewing_Terms Error_Terms(const Viewing_Model& model, const std::vector<Linear_Color>& palette,
                          const std::vector<std::uint8_t>& indices) {
    std::vector<Linear_Color> difference(model.input.size());
    for (std::size_t n = 0; n < difference.size(); ++n) {
        for (int c = 0; c < 3; ++c) {
            difference[n][c] = palette[indices[n]][c] - model.input[n][c];
        }
    }
    const std::vector<Linear_Color> blurred = Blur(model, difference);
    Viewing_Terms terms;
    for (std::size_t n = 0; n < difference.size(); ++n) {
        terms.blurred += Quadratic(model.blurred_weight[n], blurred[n]);
        terms.plain += Quadratic(model.plain_weight[n], difference[n]);
    }
    return terms;
}

double Viewing_Error(const Viewing_Model& model, const std::vector<Linear_Color>& palette,
                     const std::vector<std::uint8_t>& indices) {
    const Viewing_Terms terms = Error_Terms(model, palette, indices);
    return terms.blurred + terms.plain;
}
