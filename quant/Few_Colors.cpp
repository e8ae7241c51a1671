#include "quant/Few_Colors.h"

void Make_Few_Colors_Search(const std::vector<std::array<int, 3>>& colors,
                            const std::array<int, 3>& weights, Few_Colors_Search* search) {
#if defined(__SSE2__)
    for (std::size_t group = 0; group < search->groups.size(); ++group) {
        alignas(16) std::array<short, 8> red_green{};
        alignas(16) std::array<short, 8> blue{};
        alignas(16) std::array<int, 4> index{};
        for (std::size_t lane = 0; lane < 4; ++lane) {
            // Lanes past the last colour repeat colour 0: as near as it, with
            // a higher index, they never win.
            const std::size_t n = 4 * group + lane;
            const std::array<int, 3>& color = n < colors.size() ? colors[n] : colors[0];
            red_green[2 * lane] = static_cast<short>(color[0]);
            red_green[2 * lane + 1] = static_cast<short>(color[1]);
            blue[2 * lane] = static_cast<short>(color[2]);
            index[lane] = static_cast<int>(n);
        }
        search->groups[group].red_green =
            _mm_load_si128(reinterpret_cast<const __m128i*>(red_green.data()));
        search->groups[group].blue = _mm_load_si128(reinterpret_cast<const __m128i*>(blue.data()));
        search->groups[group].index =
            _mm_load_si128(reinterpret_cast<const __m128i*>(index.data()));
    }
    search->weights_red_green = _mm_set1_epi32(weights[0] | weights[1] << 16);
    search->weights_blue = _mm_set1_epi32(weights[2]);
#else
    (void)colors;
    (void)weights;
#endif
}
