#pragma once
// The blue-noise threshold mask: 64x64 ranks, each of 0..4095 once, made at
// build time by void and cluster (quant/zembrix_blue_noise.cpp).

#include <array>
#include <cstdint>

constexpr int blue_noise_side = 64;

// Row-major ranks; the mask tiles the plane.
const std::array<std::uint16_t, blue_noise_side * blue_noise_side>& Blue_Noise_Ranks();
