#include "quant/Palette_Refit.h"

#include "quant/Grid_Refine.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr int max_level_passes = 4;

// The error as a function of the palette, all channels of all entries in
// one vector P (entry i's channel c at 3i + c): P'AP - 2 b'P, less a
// constant that no palette changes.
struct Palette_Quadratic {
    int size = 0;
    std::vector<double> a;
    std::vector<double> b;

    double& At(int row, int column) { return a[static_cast<std::size_t>(row) * size + column]; }
    double At(int row, int column) const {
        return a[static_cast<std::size_t>(row) * size + column];
    }
};

double Entry(const Sym3& m, int row, int column) {
    constexpr int element[3][3] = {{0, 1, 2}, {1, 3, 4}, {2, 4, 5}};
    return m[element[row][column]];
}

Palette_Quadratic Quadratic_Of(const Viewing_Model& model, int colours,
                               const std::vector<std::uint8_t>& indices) {
    Palette_Quadratic quadratic;
    quadratic.size = 3 * colours;
    quadratic.a.assign(static_cast<std::size_t>(quadratic.size) * quadratic.size, 0.0);
    quadratic.b.assign(quadratic.size, 0.0);
    const int width = model.width;
    std::vector<double> shares(colours);
    std::vector<int> present;
    for (int qy = 0; qy < model.height; ++qy) {
        for (int qx = 0; qx < width; ++qx) {
            // The blurred picture at q is the sum over colours of each
            // colour's share there times the colour.
            std::fill(shares.begin(), shares.end(), 0.0);
            present.clear();
            for (int py = std::max(qy - blur_radius, 0);
                 py <= std::min(qy + blur_radius, model.height - 1); ++py) {
                for (int px = std::max(qx - blur_radius, 0);
                     px <= std::min(qx + blur_radius, width - 1); ++px) {
                    const int index = indices[static_cast<std::size_t>(py) * width + px];
                    if (shares[index] == 0.0) {
                        present.push_back(index);
                    }
                    shares[index] += Blur_Share(model, px, py, qx, qy);
                }
            }
            std::sort(present.begin(), present.end());
            const std::size_t q = static_cast<std::size_t>(qy) * width + qx;
            const Sym3& weight = model.blurred_weight[q];
            const Linear_Color target = Times(weight, model.blurred_input[q]);
            for (const int i : present) {
                for (int c = 0; c < 3; ++c) {
                    quadratic.b[3 * i + c] += shares[i] * target[c];
                }
                for (const int j : present) {
                    const double both = shares[i] * shares[j];
                    for (int r = 0; r < 3; ++r) {
                        for (int c = 0; c < 3; ++c) {
                            quadratic.At(3 * i + r, 3 * j + c) += both * Entry(weight, r, c);
                        }
                    }
                }
            }
        }
    }
    for (std::size_t p = 0; p < indices.size(); ++p) {
        const int i = indices[p];
        const Sym3& weight = model.plain_weight[p];
        const Linear_Color target = Times(weight, model.input[p]);
        for (int r = 0; r < 3; ++r) {
            quadratic.b[3 * i + r] += target[r];
            for (int c = 0; c < 3; ++c) {
                quadratic.At(3 * i + r, 3 * i + c) += Entry(weight, r, c);
            }
        }
    }
    return quadratic;
}

std::vector<double> Channels_Of(const std::vector<DTPixel>& palette) {
    std::vector<double> channels;
    for (const DTPixel& color : palette) {
        const Linear_Color linear = Linear_Of(color);
        channels.insert(channels.end(), linear.begin(), linear.end());
    }
    return channels;
}

double Error_Of(const Palette_Quadratic& quadratic, const std::vector<double>& channels) {
    double error = 0;
    for (int r = 0; r < quadratic.size; ++r) {
        double row = 0;
        for (int c = 0; c < quadratic.size; ++c) {
            row += quadratic.At(r, c) * channels[c];
        }
        error += channels[r] * (row - 2 * quadratic.b[r]);
    }
    return error;
}

// Solves the system of the free channels with the others held, by Cholesky
// factorisation (the matrix is positive definite once every free entry is
// used; a little is added to its diagonal for the nearly singular case).
std::vector<double> Solve_Free(const Palette_Quadratic& quadratic, const std::vector<int>& free,
                               const std::vector<double>& channels) {
    const int n = static_cast<int>(free.size());
    std::vector<double> m(static_cast<std::size_t>(n) * n);
    std::vector<double> x(n);
    std::vector<bool> is_free(quadratic.size, false);
    for (const int f : free) {
        is_free[f] = true;
    }
    for (int r = 0; r < n; ++r) {
        x[r] = quadratic.b[free[r]];
        for (int c = 0; c < quadratic.size; ++c) {
            if (!is_free[c]) {
                x[r] -= quadratic.At(free[r], c) * channels[c];
            }
        }
        for (int c = 0; c < n; ++c) {
            m[static_cast<std::size_t>(r) * n + c] = quadratic.At(free[r], free[c]);
        }
        m[static_cast<std::size_t>(r) * n + r] *= 1.0 + 1e-9;
    }
    for (int k = 0; k < n; ++k) {
        double& pivot = m[static_cast<std::size_t>(k) * n + k];
        for (int j = 0; j < k; ++j) {
            pivot -=
                m[static_cast<std::size_t>(k) * n + j] * m[static_cast<std::size_t>(k) * n + j];
        }
        pivot = std::sqrt(std::max(pivot, 1e-12));
        for (int r = k + 1; r < n; ++r) {
            double& value = m[static_cast<std::size_t>(r) * n + k];
            for (int j = 0; j < k; ++j) {
                value -=
                    m[static_cast<std::size_t>(r) * n + j] * m[static_cast<std::size_t>(k) * n + j];
            }
            value /= pivot;
        }
    }
    for (int r = 0; r < n; ++r) {
        for (int j = 0; j < r; ++j) {
            x[r] -= m[static_cast<std::size_t>(r) * n + j] * x[j];
        }
        x[r] /= m[static_cast<std::size_t>(r) * n + r];
    }
    for (int r = n - 1; r >= 0; --r) {
        for (int j = r + 1; j < n; ++j) {
            x[r] -= m[static_cast<std::size_t>(j) * n + r] * x[j];
        }
        x[r] /= m[static_cast<std::size_t>(r) * n + r];
    }
    return x;
}

// The change of the error when entry i's colour moves by step.
double Change_Of(const Palette_Quadratic& quadratic, const std::vector<double>& channels, int i,
                 const Linear_Color& step) {
    double change = 0;
    for (int r = 0; r < 3; ++r) {
        double gradient = -quadratic.b[3 * i + r];
        for (int c = 0; c < quadratic.size; ++c) {
            gradient += quadratic.At(3 * i + r, c) * channels[c];
        }
        double curvature = 0;
        for (int c = 0; c < 3; ++c) {
            curvature += quadratic.At(3 * i + r, 3 * i + c) * step[c];
        }
        change += step[r] * (2 * gradient + curvature);
    }
    return change;
}

// Moves the entry a level at a time along any channels while that lowers
// the error; the first of equal gains wins.
void Descend_On_Levels(const Palette_Quadratic& quadratic, int i, std::vector<DTPixel>* palette,
                       std::vector<double>* channels) {
    for (int moves = 0; moves < 4 * grid_levels; ++moves) {
        const DTPixel from = (*palette)[i];
        const Linear_Color here = Linear_Of(from);
        double best_change = -1e-12;
        DTPixel best = from;
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dg = -1; dg <= 1; ++dg) {
                for (int db = -1; db <= 1; ++db) {
                    const int r = from.r + dr * grid_step;
                    const int g = from.g + dg * grid_step;
                    const int b = from.b + db * grid_step;
                    if (std::min({r, g, b}) < 0 || std::max({r, g, b}) > grid_top) {
                        continue;
                    }
                    const DTPixel to{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                     static_cast<std::uint8_t>(b)};
                    const Linear_Color there = Linear_Of(to);
                    const Linear_Color step{there[0] - here[0], there[1] - here[1],
                                            there[2] - here[2]};
                    const double change = Change_Of(quadratic, *channels, i, step);
                    if (change < best_change) {
                        best_change = change;
                        best = to;
                    }
                }
            }
        }
        if (best == from) {
            return;
        }
        (*palette)[i] = best;
        const Linear_Color moved = Linear_Of(best);
        std::copy(moved.begin(), moved.end(), channels->begin() + 3 * i);
    }
}

} // namespace

std::vector<DTPixel> Refit_Palette(const Viewing_Model& model, const std::vector<DTPixel>& palette,
                                   const std::vector<bool>& movable,
                                   const std::vector<std::uint8_t>& indices) {
    const int colours = static_cast<int>(palette.size());
    std::vector<bool> used(colours, false);
    for (const std::uint8_t index : indices) {
        used[index] = true;
    }
    std::vector<int> moving;
    std::vector<int> free_channels;
    for (int i = 0; i < colours; ++i) {
        if (used[i] && i < static_cast<int>(movable.size()) && movable[i]) {
            moving.push_back(i);
            for (int c = 0; c < 3; ++c) {
                free_channels.push_back(3 * i + c);
            }
        }
    }
    if (moving.empty()) {
        return palette;
    }
    const Palette_Quadratic quadratic = Quadratic_Of(model, colours, indices);
    const std::vector<double> old_channels = Channels_Of(palette);
    const std::vector<double> solution = Solve_Free(quadratic, free_channels, old_channels);
    std::vector<DTPixel> refitted = palette;
    for (std::size_t k = 0; k < moving.size(); ++k) {
        const auto level = [&](int c) {
            return static_cast<std::uint8_t>(
                Nearest_Level(static_cast<int>(std::lround(Srgb_Of_Linear(solution[3 * k + c])))));
        };
        refitted[moving[k]] = {level(0), level(1), level(2)};
    }
    std::vector<double> channels = Channels_Of(refitted);
    // Each entry's best level depends on the others': a few passes.
    for (int pass = 0; pass < max_level_passes; ++pass) {
        const std::vector<DTPixel> before = refitted;
        for (const int i : moving) {
            Descend_On_Levels(quadratic, i, &refitted, &channels);
        }
        if (refitted == before) {
            break;
        }
    }
    return Error_Of(quadratic, channels) < Error_Of(quadratic, old_channels) ? refitted : palette;
}
