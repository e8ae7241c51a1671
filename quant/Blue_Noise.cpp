#include "quant/Blue_Noise.h"

const std::array<std::uint16_t, blue_noise_side * blue_noise_side>& Blue_Noise_Ranks() {
    static constexpr std::array<std::uint16_t, blue_noise_side * blue_noise_side> ranks{
#include "quant/Blue_Noise_Ranks.inc"
    };
    return ranks;
}
