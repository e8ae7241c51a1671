#include "quant/Perceived_Difference.h"

#include "quant/Color_Difference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

using Linear_Pixel = std::array<float, 3>;

// Weights of a normalised Gaussian from -radius to +radius; three sigmas hold
// all but 0.3% of its weight.
std::vector<float> Gaussian_Weights(double sigma) {
    const int radius = static_cast<int>(std::ceil(3.0 * sigma));
    std::vector<float> weights(2 * radius + 1);
    double total = 0.0;
    for (int i = -radius; i <= radius; ++i) {
        const double w = std::exp(-(i * i) / (2.0 * sigma * sigma));
        weights[i + radius] = static_cast<float>(w);
        total += w;
    }
    for (float& w : weights) {
        w = static_cast<float>(w / total);
    }
    return weights;
}

// One pass of the separable blur along rows (step 1) or columns (step width).
std::vector<Linear_Pixel> Blur_Pass(const std::vector<Linear_Pixel>& in, int width, int height,
                                    const std::vector<float>& weights, bool along_rows) {
    const int radius = static_cast<int>(weights.size() / 2);
    std::vector<Linear_Pixel> out(in.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Linear_Pixel sum{};
            for (int k = -radius; k <= radius; ++k) {
                const int sx = along_rows ? std::clamp(x + k, 0, width - 1) : x;
                const int sy = along_rows ? y : std::clamp(y + k, 0, height - 1);
                const Linear_Pixel& p = in[static_cast<std::size_t>(sy) * width + sx];
                const float w = weights[k + radius];
                for (int c = 0; c < 3; ++c) {
                    sum[c] += w * p[c];
                }
            }
            out[static_cast<std::size_t>(y) * width + x] = sum;
        }
    }
    return out;
}

std::vector<Lab_Color> Blurred_Lab(const DTImage& image, std::size_t count, double sigma) {
    std::vector<Linear_Pixel> linear(count);
    for (std::size_t i = 0; i < count; ++i) {
        const DTPixel& p = image.pixels[i];
        linear[i] = {static_cast<float>(Srgb_To_Linear(p.r)),
                     static_cast<float>(Srgb_To_Linear(p.g)),
                     static_cast<float>(Srgb_To_Linear(p.b))};
    }
    if (sigma > 0.0) {
        const std::vector<float> weights = Gaussian_Weights(sigma);
        linear = Blur_Pass(linear, image.width, image.height, weights, true);
        linear = Blur_Pass(linear, image.width, image.height, weights, false);
    }
    std::vector<Lab_Color> lab(count);
    for (std::size_t i = 0; i < count; ++i) {
        lab[i] = Linear_To_Lab(linear[i][0], linear[i][1], linear[i][2]);
    }
    return lab;
}

} // namespace

double Perceived_Difference(const DTImage& a, const DTImage& b, double sigma) {
    if (a.width != b.width || a.height != b.height || a.width < 0 || a.height < 0) {
        throw std::invalid_argument("Perceived_Difference: the images differ in size");
    }
    const std::size_t count =
        static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height);
    if (a.pixels.size() < count || b.pixels.size() < count) {
        throw std::invalid_argument("Perceived_Difference: an image lacks pixels");
    }
    if (count == 0) {
        return 0.0;
    }
    const std::vector<Lab_Color> lab_a = Blurred_Lab(a, count, sigma);
    const std::vector<Lab_Color> lab_b = Blurred_Lab(b, count, sigma);
    double total = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        total += Ciede2000(lab_a[i], lab_b[i]);
    }
    return total / static_cast<double>(count);
}
