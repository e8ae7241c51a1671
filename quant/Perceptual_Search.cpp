#include "quant/Perceptual_Search.h"

#include "quant/Palette_Refit.h"
#include "quant/Viewing_Error.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>

namespace {

// A change must lower the error by more than this to be taken, so that
// rounding never lets two colours trade places back and forth.
constexpr float least_gain = 1e-6f;
// A floor for the start's typical error, for a start that matches exactly;
// and for the blurred error's, relative to the plain one's, so that a start
// whose blur hides almost all its error still counts the plain error.
constexpr double least_rms = 0.01;
constexpr double least_blurred_rms = 0.25;

// The search's running state: the picture and its blurred difference from
// the image, kept up to date pixel by pixel.
struct Search_State {
    const Viewing_Model& model;
    std::vector<Linear_Color> palette;
    std::vector<std::uint8_t> indices;
    // The blurred difference at each pixel, times its blurred weight.
    std::vector<Linear_Color> weighted;
    // The colours each pixel may take, one bit each.
    std::vector<std::uint32_t> candidates;
};

// Each pixel's nearest palette colour, and the colour that mixes with it to
// the pixel best: the one whose line from the nearest passes closest to the
// pixel (the nearer of equals), as a dither of two colours would take.
std::vector<std::uint32_t> Mixing_Pairs(const Viewing_Model& model,
                                        const std::vector<Linear_Color>& palette) {
    const int colours = static_cast<int>(palette.size());
    std::vector<std::uint32_t> pairs(model.input.size());
    std::vector<Linear_Color> offsets(colours);
    std::vector<float> distances(colours);
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        Sym3 weight;
        for (int e = 0; e < 6; ++e) {
            weight[e] = model.plain_weight[p][e] + model.blurred_weight[p][e];
        }
        int nearest = 0;
        for (int j = 0; j < colours; ++j) {
            for (int c = 0; c < 3; ++c) {
                offsets[j][c] = palette[j][c] - model.input[p][c];
            }
            distances[j] = Dot(offsets[j], Times(weight, offsets[j]));
            if (distances[j] < distances[nearest]) {
                nearest = j;
            }
        }
        int partner = nearest;
        float partner_miss = 0;
        // Misses closer than this are equal: colours on one line through
        // the pixel all miss it by nothing but rounding.
        const float same_miss = 1e-3f * distances[nearest];
        for (int j = 0; j < colours; ++j) {
            Linear_Color along;
            for (int c = 0; c < 3; ++c) {
                along[c] = palette[j][c] - palette[nearest][c];
            }
            const float length = Dot(along, Times(weight, along));
            if (length <= 0) {
                continue;
            }
            // The point of the line nearest the pixel, within the two colours.
            const float t =
                std::clamp(-Dot(offsets[nearest], Times(weight, along)) / length, 0.f, 1.f);
            Linear_Color miss;
            for (int c = 0; c < 3; ++c) {
                miss[c] = offsets[nearest][c] + t * along[c];
            }
            const float missed = Dot(miss, Times(weight, miss));
            if (partner == nearest || missed < partner_miss - same_miss ||
                (missed <= partner_miss + same_miss && distances[j] < distances[partner])) {
                partner = j;
                partner_miss = missed;
            }
        }
        pairs[p] = (1u << nearest) | (1u << partner);
    }
    return pairs;
}

// A pixel may take the colours of the mixing pairs of the pixels around it:
// the colours that a mix there could use. A colour farther off can lower the
// blurred error at a spot by making up for its neighbours, but only as
// speckle, and in a flat area it would add a third colour to the two that
// mix to it.
std::vector<std::uint32_t> Candidate_Colours(const Viewing_Model& model,
                                             const std::vector<Linear_Color>& palette, int radius) {
    const std::vector<std::uint32_t> pairs = Mixing_Pairs(model, palette);
    std::vector<std::uint32_t> candidates(pairs.size(), 0);
    for (int py = 0; py < model.height; ++py) {
        for (int px = 0; px < model.width; ++px) {
            std::uint32_t& mask = candidates[static_cast<std::size_t>(py) * model.width + px];
            for (int qy = std::max(py - radius, 0); qy <= std::min(py + radius, model.height - 1);
                 ++qy) {
                for (int qx = std::max(px - radius, 0);
                     qx <= std::min(px + radius, model.width - 1); ++qx) {
                    mask |= pairs[static_cast<std::size_t>(qy) * model.width + qx];
                }
            }
        }
    }
    return candidates;
}

void Recompute_Weighted(Search_State* state) {
    const Viewing_Model& model = state->model;
    std::vector<Linear_Color> difference(model.input.size());
    for (std::size_t n = 0; n < difference.size(); ++n) {
        for (int c = 0; c < 3; ++c) {
            difference[n][c] = state->palette[state->indices[n]][c] - model.input[n][c];
        }
    }
    const std::vector<Linear_Color> blurred = Blur(model, difference);
    state->weighted.resize(blurred.size());
    for (std::size_t n = 0; n < blurred.size(); ++n) {
        state->weighted[n] = Times(model.blurred_weight[n], blurred[n]);
    }
}

// Half the gradient of the error in pixel p's colour.
Linear_Color Gradient(const Search_State& state, int px, int py) {
    const Viewing_Model& model = state.model;
    const int width = model.width;
    Linear_Color sum{};
    const int top = std::max(py - blur_radius, 0);
    const int bottom = std::min(py + blur_radius, model.height - 1);
    const int left = std::max(px - blur_radius, 0);
    const int right = std::min(px + blur_radius, width - 1);
    for (int qy = top; qy <= bottom; ++qy) {
        const float row_share = model.row_taps[qy][py - qy + blur_radius];
        Linear_Color row{};
        for (int qx = left; qx <= right; ++qx) {
            const float share = model.column_taps[qx][px - qx + blur_radius];
            const Linear_Color& value = state.weighted[static_cast<std::size_t>(qy) * width + qx];
            for (int c = 0; c < 3; ++c) {
                row[c] += share * value[c];
            }
        }
        for (int c = 0; c < 3; ++c) {
            sum[c] += row_share * row[c];
        }
    }
    const std::size_t p = static_cast<std::size_t>(py) * width + px;
    Linear_Color own;
    for (int c = 0; c < 3; ++c) {
        own[c] = state.palette[state.indices[p]][c] - model.input[p][c];
    }
    const Linear_Color plain = Times(model.plain_weight[p], own);
    for (int c = 0; c < 3; ++c) {
        sum[c] += plain[c];
    }
    return sum;
}

void Change_Pixel(Search_State* state, int px, int py, std::uint8_t index) {
    const Viewing_Model& model = state->model;
    const int width = model.width;
    const std::size_t p = static_cast<std::size_t>(py) * width + px;
    Linear_Color step;
    for (int c = 0; c < 3; ++c) {
        step[c] = state->palette[index][c] - state->palette[state->indices[p]][c];
    }
    state->indices[p] = index;
    const int top = std::max(py - blur_radius, 0);
    const int bottom = std::min(py + blur_radius, model.height - 1);
    const int left = std::max(px - blur_radius, 0);
    const int right = std::min(px + blur_radius, width - 1);
    for (int qy = top; qy <= bottom; ++qy) {
        for (int qx = left; qx <= right; ++qx) {
            const std::size_t q = static_cast<std::size_t>(qy) * width + qx;
            const float share = Blur_Share(model, px, py, qx, qy);
            const Linear_Color change = Times(model.blurred_weight[q], step);
            for (int c = 0; c < 3; ++c) {
                state->weighted[q][c] += share * change[c];
            }
        }
    }
}

// One sweep over the pixels in the order given, each taking the colour that
// lowers the error most; the number of pixels changed.
int Sweep(Search_State* state, const std::vector<int>& order) {
    const Viewing_Model& model = state->model;
    const int colours = static_cast<int>(state->palette.size());
    int changed = 0;
    for (const int p : order) {
        const int px = p % model.width;
        const int py = p / model.width;
        const Linear_Color gradient = Gradient(*state, px, py);
        const Sym3& curvature = model.self_weight[p];
        const Linear_Color& current = state->palette[state->indices[p]];
        int best = state->indices[p];
        float best_gain = -least_gain;
        for (int j = 0; j < colours; ++j) {
            if (!(state->candidates[p] >> j & 1u)) {
                continue;
            }
            Linear_Color step;
            for (int c = 0; c < 3; ++c) {
                step[c] = state->palette[j][c] - current[c];
            }
            const float change = 2 * Dot(step, gradient) + Dot(step, Times(curvature, step));
            if (change < best_gain) {
                best_gain = change;
                best = j;
            }
        }
        if (best != state->indices[p]) {
            Change_Pixel(state, px, py, static_cast<std::uint8_t>(best));
            ++changed;
        }
    }
    return changed;
}

std::vector<int> Shuffled_Order(int count, std::mt19937* generator) {
    std::vector<int> order(count);
    for (int n = 0; n < count; ++n) {
        order[n] = n;
    }
    // Fisher-Yates by hand: the standard library's shuffle may differ
    // between library versions, the generator's numbers may not.
    for (int n = count - 1; n > 0; --n) {
        std::swap(order[n], order[(*generator)() % static_cast<unsigned>(n + 1)]);
    }
    return order;
}

std::vector<Linear_Color> Linear_Palette(const std::vector<DTPixel>& palette) {
    std::vector<Linear_Color> linear;
    for (const DTPixel& color : palette) {
        linear.push_back(Linear_Of(color));
    }
    return linear;
}

} // namespace

Viewing_Model Perceptual_Model(const DTImage& working, const Perceptual_Fit& start,
                               const Perceptual_Settings& settings) {
    // Each term is weighted by the inverse of its root mean square at the
    // start: CIEDE2000 is summed, not squared, so where a term is small
    // already a little change of it counts as much as a large change of a
    // large one (a sum of squares, each divided by its typical size, is to
    // first order the sum of the sizes).
    Viewing_Model model = Make_Viewing_Model(working);
    const Viewing_Terms start_terms =
        Error_Terms(model, Linear_Palette(start.palette), start.indices);
    const double pixels = static_cast<double>(start.indices.size());
    const double plain_rms = std::max(std::sqrt(start_terms.plain / pixels), least_rms);
    const double blurred_rms =
        std::max(std::sqrt(start_terms.blurred / pixels), least_blurred_rms * plain_rms);
    Scale_Terms(&model, static_cast<float>(1.0 / blurred_rms),
                static_cast<float>(settings.plain_share / plain_rms));
    return model;
}

double Perceptual_Error(const Viewing_Model& model, const Perceptual_Fit& fit) {
    return Viewing_Error(model, Linear_Palette(fit.palette), fit.indices);
}

Perceptual_Fit Fit_Perceptual(const DTImage& working, const Perceptual_Fit& start,
                              const std::vector<bool>& movable,
                              const Perceptual_Settings& settings) {
    const Viewing_Model model = Perceptual_Model(working, start, settings);
    Perceptual_Fit fit = start;
    Search_State state{model, Linear_Palette(fit.palette), fit.indices, {}, {}};
    std::mt19937 generator(22);
    const int pixels = static_cast<int>(state.indices.size());
    for (int round = 0; round < settings.rounds; ++round) {
        Recompute_Weighted(&state);
        state.candidates = Candidate_Colours(model, state.palette, settings.candidate_radius);
        for (int sweep = 0; sweep < settings.sweeps_per_round; ++sweep) {
            const int changed = Sweep(&state, Shuffled_Order(pixels, &generator));
            if (changed * settings.stop_fraction < pixels) {
                break;
            }
        }
        if (round + 1 < settings.rounds) {
            std::vector<DTPixel> refitted =
                Refit_Palette(model, fit.palette, movable, state.indices);
            fit.palette = std::move(refitted);
            state.palette = Linear_Palette(fit.palette);
        }
    }
    fit.indices = state.indices;
    // The sweeps' running sums drift a little from the error they track: the
    // start is kept if, measured afresh, the result is no better.
    return Perceptual_Error(model, fit) < Perceptual_Error(model, start) ? fit : start;
}
