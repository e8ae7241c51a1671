#include "quant/Color_Difference.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double degrees_per_radian = 180.0 / std::numbers::pi;

double Radians(double degrees) {
    return degrees / degrees_per_radian;
}

// An sRGB sample 0..255 as linear light 0..1.
double Linear_Light(std::uint8_t sample) {
    const double c = sample / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

const std::array<double, 256>& Linear_Table() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int i = 0; i < 256; ++i) {
            values[i] = Linear_Light(static_cast<std::uint8_t>(i));
        }
        return values;
    }();
    return table;
}

double Lab_F(double t) {
    constexpr double delta = 6.0 / 29.0;
    if (t > delta * delta * delta) {
        return std::cbrt(t);
    }
    return t / (3.0 * delta * delta) + 4.0 / 29.0;
}

// Hue angle in degrees, 0 up to 360; a colour without chroma has hue 0.
double Hue_Degrees(double b, double a_prime) {
    if (b == 0.0 && a_prime == 0.0) {
        return 0.0;
    }
    const double hue = std::atan2(b, a_prime) * degrees_per_radian;
    return hue < 0.0 ? hue + 360.0 : hue;
}

double Pow7_Ratio(double chroma) {
    const double c7 = std::pow(chroma, 7.0);
    return std::sqrt(c7 / (c7 + 6103515625.0)); // 25^7
}

struct Prime_Color {
    double L;
    double C;
    double h;
};

// The colour with a* stretched by (1 + G), which lifts the chroma of
// near-neutral colours; hue and chroma are taken from the stretched a*.
Prime_Color To_Prime(const Lab_Color& lab, double g) {
    const double a_prime = (1.0 + g) * lab.a;
    return {lab.L, std::hypot(a_prime, lab.b), Hue_Degrees(lab.b, a_prime)};
}

double Hue_Difference(const Prime_Color& p1, const Prime_Color& p2) {
    if (p1.C * p2.C == 0.0) {
        return 0.0;
    }
    const double dh = p2.h - p1.h;
    if (dh > 180.0) {
        return dh - 360.0;
    }
    if (dh < -180.0) {
        return dh + 360.0;
    }
    return dh;
}

double Mean_Hue(const Prime_Color& p1, const Prime_Color& p2) {
    const double sum = p1.h + p2.h;
    if (p1.C * p2.C == 0.0) {
        return sum;
    }
    if (std::fabs(p1.h - p2.h) <= 180.0) {
        return sum / 2.0;
    }
    return sum < 360.0 ? (sum + 360.0) / 2.0 : (sum - 360.0) / 2.0;
}

} // namespace

double Srgb_To_Linear(std::uint8_t sample) {
    return Linear_Table()[sample];
}

Lab_Color Linear_To_Lab(double r, double g, double b) {
    const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
    const double fx = Lab_F(x / 0.95047);
    const double fy = Lab_F(y / 1.00000);
    const double fz = Lab_F(z / 1.08883);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

Lab_Color Srgb_To_Lab(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const std::array<double, 256>& linear = Linear_Table();
    return Linear_To_Lab(linear[red], linear[green], linear[blue]);
}

double Ciede2000(const Lab_Color& first, const Lab_Color& second) {
    const double mean_chroma = (std::hypot(first.a, first.b) + std::hypot(second.a, second.b)) / 2;
    const double g = 0.5 * (1.0 - Pow7_Ratio(mean_chroma));
    const Prime_Color p1 = To_Prime(first, g);
    const Prime_Color p2 = To_Prime(second, g);

    const double dL = p2.L - p1.L;
    const double dC = p2.C - p1.C;
    const double dH = 2.0 * std::sqrt(p1.C * p2.C) * std::sin(Radians(Hue_Difference(p1, p2)) / 2);

    const double L_mean = (p1.L + p2.L) / 2.0;
    const double C_mean = (p1.C + p2.C) / 2.0;
    const double h_mean = Mean_Hue(p1, p2);
    const double t = 1.0 - 0.17 * std::cos(Radians(h_mean - 30.0)) +
                     0.24 * std::cos(Radians(2.0 * h_mean)) +
                     0.32 * std::cos(Radians(3.0 * h_mean + 6.0)) -
                     0.20 * std::cos(Radians(4.0 * h_mean - 63.0));
    const double L_offset = (L_mean - 50.0) * (L_mean - 50.0);
    const double s_L = 1.0 + 0.015 * L_offset / std::sqrt(20.0 + L_offset);
    const double s_C = 1.0 + 0.045 * C_mean;
    const double s_H = 1.0 + 0.015 * C_mean * t;
    const double h_centre = (h_mean - 275.0) / 25.0;
    const double d_theta = 30.0 * std::exp(-h_centre * h_centre);
    const double r_T = -2.0 * Pow7_Ratio(C_mean) * std::sin(Radians(2.0 * d_theta));

    const double l_term = dL / s_L;
    const double c_term = dC / s_C;
    const double h_term = dH / s_H;
    return std::sqrt(l_term * l_term + c_term * c_term + h_term * h_term + r_T * c_term * h_term);
}
