#pragma once
// Palette and pixels chosen together for the least viewing error (see
// quant/Viewing_Error.h): sweeps over the pixels, each taking the palette
// colour that lowers the error most, evaluated from the blurred error
// around it, alternate with a least-squares refit of the palette that may
// move, put back on the hardware's levels. Only changes that lower the error
// are taken, so the result is never worse than its start. The pixels are
// visited in orders drawn from a generator seeded the same on every call,
// and every sum runs in a fixed order: the same start gives the same result
// on every run and thread.

#include "core/DTImage.h"
#include "quant/Viewing_Error.h"

#include <cstdint>
#include <vector>

struct Perceptual_Settings {
    // The weight of the unblurred error beside the blurred one, each taken
    // relative to its size at the start: without it the search trades
    // smoothness for speckle that the blur hides.
    float plain_share = 0.3f;
    // How far around a pixel the colours it may take are gathered (see
    // Candidate_Colours in the source).
    int candidate_radius = 3;
    // Rounds of sweeps, each but the last followed by a refit of the palette.
    int rounds = 3;
    // Sweeps a round at most; a round ends early once a sweep changes fewer
    // than one pixel in stop_fraction.
    int sweeps_per_round = 6;
    int stop_fraction = 400;
};

struct Perceptual_Fit {
    // As many colours as the start had, each on the levels.
    std::vector<DTPixel> palette;
    std::vector<std::uint8_t> indices;
};

// The error that the fit lowers from this start: the viewing error with its
// two terms weighted by the settings and by their sizes at the start.
Viewing_Model Perceptual_Model(const DTImage& working, const Perceptual_Fit& start,
                               const Perceptual_Settings& settings = {});
double Perceptual_Error(const Viewing_Model& model, const Perceptual_Fit& fit);

// The fit of a working image from a start: a palette on the levels (1 to 16
// colours), which of its entries may move (one flag each) and each pixel's
// palette index. Its Perceptual_Error is below the start's, or it is the
// start.
Perceptual_Fit Fit_Perceptual(const DTImage& working, const Perceptual_Fit& start,
                              const std::vector<bool>& movable,
                              const Perceptual_Settings& settings = {});
