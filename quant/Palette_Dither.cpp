#include "quant/Palette_Dither.h"

#include "quant/Blue_Noise.h"
#include "quant/Color_Difference.h"
#include "quant/Grid_Refine.h"
#include "quant/Viewing_Error.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <utility>

namespace {

DTPixel Pixel_At(const DTImage& image, std::size_t n) {
    return n < image.pixels.size() ? image.pixels[n] : DTPixel{0, 0, 0};
}

// Floor division, so that negative errors round as positive ones do (the
// arithmetic shift of Map_Diffused).
int Floor_Div(int numerator, int denominator) {
    const int quotient = numerator / denominator;
    return (numerator % denominator != 0 && numerator < 0) ? quotient - 1 : quotient;
}

std::vector<std::uint8_t> Map_By_Diffusion(const DTImage& image,
                                           const std::vector<DTPixel>& palette,
                                           const Diffusion_Kernel& kernel, int strength,
                                           bool serpentine) {
    const int width = image.width;
    const int height = image.height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // Every sample in sixteenths of a level, as Map_Diffused keeps them; a
    // share is weight / divisor of the error times strength / 100, rounded
    // down from half a unit up, which at full strength is Map_Diffused's
    // (error * weight + 8) >> 4 exactly.
    std::vector<int> work(count * 3);
    for (std::size_t n = 0; n < count; ++n) {
        const DTPixel pixel = Pixel_At(image, n);
        work[3 * n] = pixel.r * 16;
        work[3 * n + 1] = pixel.g * 16;
        work[3 * n + 2] = pixel.b * 16;
    }
    const int denominator = kernel.divisor * 100;
    std::vector<std::uint8_t> indices(count);
    for (int y = 0; y < height; ++y) {
        const bool backward = serpentine && y % 2 == 1;
        const int step = backward ? -1 : 1;
        for (int k = 0; k < width; ++k) {
            const int x = backward ? width - 1 - k : k;
            const std::size_t n = static_cast<std::size_t>(y) * width + x;
            std::array<int, 3> fine{};
            std::array<int, 3> value{};
            for (int c = 0; c < 3; ++c) {
                fine[c] = std::clamp(work[3 * n + c], 0, 255 * 16);
                value[c] = (fine[c] + 8) >> 4;
            }
            const DTPixel wanted{static_cast<std::uint8_t>(value[0]),
                                 static_cast<std::uint8_t>(value[1]),
                                 static_cast<std::uint8_t>(value[2])};
            const int index = Nearest_Index(palette, wanted);
            indices[n] = static_cast<std::uint8_t>(index);
            const DTPixel shown = palette[index];
            const std::array<int, 3> error{fine[0] - shown.r * 16, fine[1] - shown.g * 16,
                                           fine[2] - shown.b * 16};
            for (const Diffusion_Share& share : kernel.shares) {
                const int tx = x + share.dx * step;
                const int ty = y + share.dy;
                if (tx < 0 || tx >= width || ty >= height) {
                    continue;
                }
                int* sample = &work[3 * (static_cast<std::size_t>(ty) * width + tx)];
                for (int c = 0; c < 3; ++c) {
                    sample[c] += Floor_Div(error[c] * share.weight * strength + denominator / 2,
                                           denominator);
                }
            }
        }
    }
    return indices;
}

float Luminance(const Linear_Color& color) {
    return 0.2126f * color[0] + 0.7152f * color[1] + 0.0722f * color[2];
}

// How many palette colours a plan mixes: as many as the matrix has
// thresholds, up to 32. On the benchmark's photographs 32 look closer than
// 16, 24, 48 or 64 (longer greedy plans drift into colours further away),
// and take half the time of 64.
int Plan_Size(const Threshold_Matrix& matrix) {
    return std::min(matrix.side * matrix.side, 32);
}

// Plans are made for four target colours at once, each in its own lane of
// GCC's and Clang's vector types, and two such groups side by side, so that
// the processor works on eight plans instead of waiting on one plan's chain
// of choices.
constexpr int plan_lanes = 4;
using Lane_Floats = float __attribute__((vector_size(4 * plan_lanes)));
using Lane_Ints = std::int32_t __attribute__((vector_size(4 * plan_lanes)));

using Eye_Matrix = std::array<std::array<float, 3>, 3>;

// How L*a*b* changes with linear light near a colour: the derivative of the
// L*a*b* transform there. Colours carried by it keep the linear mixing of
// light (a mean maps to the mean) while their distances near the colour are
// as the eye sees them, so that a plan for grey mixes black and white, not
// red, green and blue, which also average to grey in light.
Eye_Matrix Eye_Jacobian(const Linear_Color& c) {
    constexpr std::array<std::array<float, 3>, 3> to_xyz{{{0.4124564f, 0.3575761f, 0.1804375f},
                                                          {0.2126729f, 0.7151522f, 0.0721750f},
                                                          {0.0193339f, 0.1191920f, 0.9503041f}}};
    constexpr std::array<float, 3> white{0.95047f, 1.0f, 1.08883f};
    std::array<float, 3> slope{};
    for (int row = 0; row < 3; ++row) {
        const float t =
            (to_xyz[row][0] * c[0] + to_xyz[row][1] * c[1] + to_xyz[row][2] * c[2]) / white[row];
        // The cube root's slope, and the straight part's below (6/29)^3.
        constexpr float delta = 6.0f / 29.0f;
        slope[row] = (t > delta * delta * delta ? 1.0f / (3.0f * std::cbrt(t * t))
                                                : 1.0f / (3.0f * delta * delta)) /
                     white[row];
    }
    Eye_Matrix jacobian{};
    for (int col = 0; col < 3; ++col) {
        const float dx = slope[0] * to_xyz[0][col];
        const float dy = slope[1] * to_xyz[1][col];
        const float dz = slope[2] * to_xyz[2][col];
        jacobian[0][col] = 116.0f * dy;
        jacobian[1][col] = 500.0f * (dx - dy);
        jacobian[2][col] = 200.0f * (dy - dz);
    }
    return jacobian;
}

Linear_Color Times(const Eye_Matrix& m, const Linear_Color& c) {
    return {m[0][0] * c[0] + m[0][1] * c[1] + m[0][2] * c[2],
            m[1][0] * c[0] + m[1][1] * c[1] + m[1][2] * c[2],
            m[2][0] * c[0] + m[2][1] * c[1] + m[2][2] * c[2]};
}

// A penalty on each colour of a plan by its own distance from the target, so
// that a plan mixes near colours rather than far ones of the same mean; this
// share looked best on the benchmark's photographs.
constexpr float spread_penalty = 0.3f;

// Four plans in the making. Each lane sees the palette through its target's
// Eye_Jacobian; entries beyond the palette lie far from every colour, so
// that every search runs the same 16 steps.
struct Plan_Lanes {
    Lane_Floats target_r{};
    Lane_Floats target_g{};
    Lane_Floats target_b{};
    Lane_Floats sum_r{};
    Lane_Floats sum_g{};
    Lane_Floats sum_b{};
    std::array<Lane_Floats, 16> red{};
    std::array<Lane_Floats, 16> green{};
    std::array<Lane_Floats, 16> blue{};
    std::array<Lane_Floats, 16> square{}; // |c|^2
    std::array<std::array<int, 16>, plan_lanes> uses{};

    void Set(int lane, const Linear_Color& target, const std::vector<Linear_Color>& palette) {
        const Eye_Matrix eye = Eye_Jacobian(target);
        const Linear_Color seen = Times(eye, target);
        target_r[lane] = seen[0];
        target_g[lane] = seen[1];
        target_b[lane] = seen[2];
        for (std::size_t i = 0; i < 16; ++i) {
            const Linear_Color c =
                i < palette.size() ? Times(eye, palette[i]) : Linear_Color{1e4f, 1e4f, 1e4f};
            red[i][lane] = c[0];
            green[i][lane] = c[1];
            blue[i][lane] = c[2];
            square[i][lane] = (1.0f + spread_penalty) * (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        }
    }
};

Lane_Ints Pick(Lane_Ints mask, Lane_Ints if_set, Lane_Ints if_clear) {
    return (if_set & mask) | (if_clear & ~mask);
}

// Step k of the plans: each lane takes the colour c that makes the least
// |goal - c|^2 + p |target - c|^2 with goal = k * target - sum and p the
// spread penalty, that is the least (1 + p) |c|^2 - 2 ((k + p) target - sum).c
// (the lowest index on a tie), and adds it to its sum. The chosen colour is picked along with its
// index, so that the sums stay in vectors.
void Plan_Step(Plan_Lanes* lanes, float k) {
    const Lane_Floats goal_r = 2.0f * (lanes->target_r * (k + spread_penalty) - lanes->sum_r);
    const Lane_Floats goal_g = 2.0f * (lanes->target_g * (k + spread_penalty) - lanes->sum_g);
    const Lane_Floats goal_b = 2.0f * (lanes->target_b * (k + spread_penalty) - lanes->sum_b);
    Lane_Floats best_score = lanes->square[0] - goal_r * lanes->red[0] - goal_g * lanes->green[0] -
                             goal_b * lanes->blue[0];
    Lane_Ints best{};
    Lane_Ints chosen_r = std::bit_cast<Lane_Ints>(lanes->red[0]);
    Lane_Ints chosen_g = std::bit_cast<Lane_Ints>(lanes->green[0]);
    Lane_Ints chosen_b = std::bit_cast<Lane_Ints>(lanes->blue[0]);
    for (int i = 1; i < 16; ++i) {
        const Lane_Floats score = lanes->square[i] - goal_r * lanes->red[i] -
                                  goal_g * lanes->green[i] - goal_b * lanes->blue[i];
        const Lane_Ints better = score < best_score;
        best_score = std::bit_cast<Lane_Floats>(
            Pick(better, std::bit_cast<Lane_Ints>(score), std::bit_cast<Lane_Ints>(best_score)));
        best = Pick(better, i - Lane_Ints{}, best);
        chosen_r = Pick(better, std::bit_cast<Lane_Ints>(lanes->red[i]), chosen_r);
        chosen_g = Pick(better, std::bit_cast<Lane_Ints>(lanes->green[i]), chosen_g);
        chosen_b = Pick(better, std::bit_cast<Lane_Ints>(lanes->blue[i]), chosen_b);
    }
    lanes->sum_r += std::bit_cast<Lane_Floats>(chosen_r);
    lanes->sum_g += std::bit_cast<Lane_Floats>(chosen_g);
    lanes->sum_b += std::bit_cast<Lane_Floats>(chosen_b);
    for (int l = 0; l < plan_lanes; ++l) {
        ++lanes->uses[l][best[l]];
    }
}

// The plans of the targets, `size` palette indices each: for every target,
// the indices whose mean in linear light comes closest to it as the eye
// sees colours near it, each added greedily as the colour that brings the
// running sum nearest to the target's multiple (see Plan_Step), then ordered
// by luminance so that low thresholds take the dark colours.
std::vector<std::uint8_t> Make_Plans(const std::vector<Linear_Color>& targets,
                                     const std::vector<Linear_Color>& palette,
                                     const std::vector<int>& by_luminance, int size) {
    std::vector<std::uint8_t> plans(targets.size() * size);
    constexpr std::size_t group = 2 * plan_lanes;
    for (std::size_t first = 0; first < targets.size(); first += group) {
        std::array<Plan_Lanes, 2> pair{};
        const std::size_t used = std::min(group, targets.size() - first);
        for (std::size_t l = 0; l < used; ++l) {
            pair[l / plan_lanes].Set(static_cast<int>(l % plan_lanes), targets[first + l], palette);
        }
        for (int k = 1; k <= size; ++k) {
            Plan_Step(&pair[0], static_cast<float>(k));
            Plan_Step(&pair[1], static_cast<float>(k));
        }
        for (std::size_t l = 0; l < used; ++l) {
            const std::array<int, 16>& uses = pair[l / plan_lanes].uses[l % plan_lanes];
            std::uint8_t* plan = &plans[(first + l) * size];
            for (const int index : by_luminance) {
                plan = std::fill_n(plan, uses[index], static_cast<std::uint8_t>(index));
            }
        }
    }
    return plans;
}

// The number of each distinct colour, in order of first appearance:
// open addressing over at least twice as many slots as there are pixels.
class Color_Numbers {
  public:
    explicit Color_Numbers(std::size_t pixels) {
        std::size_t slots = 64;
        while (slots < 2 * pixels) {
            slots *= 2;
        }
        keys_.assign(slots, empty);
        numbers_.resize(slots);
    }
    // The colour's number, and whether it is new.
    std::pair<std::uint32_t, bool> Number(DTPixel color) {
        const std::uint32_t key = (color.r << 16) | (color.g << 8) | color.b;
        const std::size_t mask = keys_.size() - 1;
        std::size_t slot = (key * 2654435761u) & mask;
        while (keys_[slot] != key && keys_[slot] != empty) {
            slot = (slot + 1) & mask;
        }
        if (keys_[slot] == empty) {
            keys_[slot] = key;
            numbers_[slot] = count_++;
            return {numbers_[slot], true};
        }
        return {numbers_[slot], false};
    }

  private:
    static constexpr std::uint32_t empty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint32_t> numbers_;
    std::uint32_t count_ = 0;
};

std::vector<std::uint8_t> Map_By_Pattern(const DTImage& image, const std::vector<DTPixel>& palette,
                                         const Threshold_Matrix& matrix, int strength) {
    const int width = image.width;
    const int height = image.height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<Linear_Color> linear;
    for (const DTPixel& color : palette) {
        linear.push_back(Linear_Of(color));
    }
    std::vector<int> by_luminance(palette.size());
    std::iota(by_luminance.begin(), by_luminance.end(), 0);
    // Darkest first; equal luminance in index order.
    std::sort(by_luminance.begin(), by_luminance.end(), [&](int a, int b) {
        const float la = Luminance(linear[a]);
        const float lb = Luminance(linear[b]);
        return la < lb || (la == lb && a < b);
    });

    // Each distinct colour's target: part of the way from its nearest palette
    // colour to its own, by the strength.
    const float share = static_cast<float>(strength) / 100.0f;
    Color_Numbers numbers(count);
    std::vector<std::uint32_t> number_of_pixel(count);
    std::vector<Linear_Color> targets;
    for (std::size_t n = 0; n < count; ++n) {
        const DTPixel pixel = Pixel_At(image, n);
        const auto [number, added] = numbers.Number(pixel);
        number_of_pixel[n] = number;
        if (added) {
            const Linear_Color& nearest = linear[Nearest_Index(palette, pixel)];
            const Linear_Color own = Linear_Of(pixel);
            targets.push_back({nearest[0] + share * (own[0] - nearest[0]),
                               nearest[1] + share * (own[1] - nearest[1]),
                               nearest[2] + share * (own[2] - nearest[2])});
        }
    }
    const int size = Plan_Size(matrix);
    const std::vector<std::uint8_t> plans = Make_Plans(targets, linear, by_luminance, size);

    const int thresholds = matrix.side * matrix.side;
    std::vector<std::uint8_t> indices(count);
    for (int y = 0; y < height; ++y) {
        const int* row = &matrix.ranks[static_cast<std::size_t>(y % matrix.side) * matrix.side];
        for (int x = 0; x < width; ++x) {
            const std::size_t n = static_cast<std::size_t>(y) * width + x;
            const int rank = row[x % matrix.side];
            indices[n] = plans[number_of_pixel[n] * size + rank * size / thresholds];
        }
    }
    return indices;
}

// The Bayer matrix of a side that is a power of two, by doubling:
// M(2n) = [4M, 4M+2; 4M+3, 4M+1].
Threshold_Matrix Bayer(int side) {
    Threshold_Matrix matrix{1, {0}};
    while (matrix.side < side) {
        const int half = matrix.side;
        Threshold_Matrix doubled{half * 2,
                                 std::vector<int>(static_cast<std::size_t>(half) * half * 4)};
        constexpr std::array<int, 4> offsets{0, 2, 3, 1};
        for (int quadrant = 0; quadrant < 4; ++quadrant) {
            const int qx = quadrant % 2;
            const int qy = quadrant / 2;
            for (int y = 0; y < half; ++y) {
                for (int x = 0; x < half; ++x) {
                    doubled.ranks[static_cast<std::size_t>(qy * half + y) * doubled.side +
                                  qx * half + x] =
                        4 * matrix.ranks[static_cast<std::size_t>(y) * half + x] +
                        offsets[quadrant];
                }
            }
        }
        matrix = std::move(doubled);
    }
    return matrix;
}

} // namespace

const std::array<std::string_view, dither_kind_count> dither_kind_names{
    "none",   "floyd-steinberg", "atkinson", "sierra-lite", "jarvis",
    "bayer2", "bayer4",          "bayer8",   "blue-noise"};

std::string_view Dither_Kind_Name(Dither_Kind kind) {
    return dither_kind_names[static_cast<std::size_t>(kind)];
}

std::optional<Dither_Kind> Dither_Kind_Named(std::string_view name) {
    for (std::size_t i = 0; i < dither_kind_names.size(); ++i) {
        if (dither_kind_names[i] == name) {
            return static_cast<Dither_Kind>(i);
        }
    }
    return std::nullopt;
}

bool Is_Ordered(Dither_Kind kind) {
    return kind == Dither_Kind::bayer2 || kind == Dither_Kind::bayer4 ||
           kind == Dither_Kind::bayer8 || kind == Dither_Kind::blue_noise;
}

Diffusion_Kernel Kernel_Of(Dither_Kind kind) {
    switch (kind) {
    case Dither_Kind::floyd_steinberg:
        return {{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16};
    case Dither_Kind::atkinson:
        return {{{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}}, 8};
    case Dither_Kind::sierra_lite:
        return {{{1, 0, 2}, {-1, 1, 1}, {0, 1, 1}}, 4};
    case Dither_Kind::jarvis:
        return {{{1, 0, 7},
                 {2, 0, 5},
                 {-2, 1, 3},
                 {-1, 1, 5},
                 {0, 1, 7},
                 {1, 1, 5},
                 {2, 1, 3},
                 {-2, 2, 1},
                 {-1, 2, 3},
                 {0, 2, 5},
                 {1, 2, 3},
                 {2, 2, 1}},
                48};
    default:
        return {{}, 1};
    }
}

Threshold_Matrix Threshold_Matrix_Of(Dither_Kind kind) {
    switch (kind) {
    case Dither_Kind::bayer2:
        return Bayer(2);
    case Dither_Kind::bayer4:
        return Bayer(4);
    case Dither_Kind::bayer8:
        return Bayer(8);
    case Dither_Kind::blue_noise: {
        const auto& ranks = Blue_Noise_Ranks();
        return {blue_noise_side, std::vector<int>(ranks.begin(), ranks.end())};
    }
    default:
        return {};
    }
}

std::vector<std::uint8_t> Map_Dithered(const DTImage& image, const std::vector<DTPixel>& given,
                                       const Dither_Options& options) {
    if (given.empty()) {
        return std::vector<std::uint8_t>(static_cast<std::size_t>(image.width) *
                                         static_cast<std::size_t>(image.height));
    }
    // The plans hold 16 colours at most, as a picture's palette does.
    const std::vector<DTPixel> palette(given.begin(),
                                       given.begin() + std::min<std::size_t>(given.size(), 16));
    const int strength = std::clamp(options.strength, 0, 100);
    if (options.kind == Dither_Kind::none || strength == 0) {
        std::vector<DTPixel> pixels(static_cast<std::size_t>(image.width) *
                                    static_cast<std::size_t>(image.height));
        for (std::size_t n = 0; n < pixels.size(); ++n) {
            pixels[n] = Pixel_At(image, n);
        }
        return Map_Nearest(pixels, palette);
    }
    if (Is_Ordered(options.kind)) {
        return Map_By_Pattern(image, palette, Threshold_Matrix_Of(options.kind), strength);
    }
    // Floyd-Steinberg always scans in serpentine, as refined-dither does.
    const bool serpentine = options.serpentine || options.kind == Dither_Kind::floyd_steinberg;
    return Map_By_Diffusion(image, palette, Kernel_Of(options.kind), strength, serpentine);
}

std::vector<std::uint8_t> Map_Diffused(const DTImage& image, const std::vector<DTPixel>& palette) {
    return Map_Dithered(image, palette, {Dither_Kind::floyd_steinberg, 100, true});
}
