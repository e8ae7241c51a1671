#pragma once
// The nearest of at most 16 colours, all weighed at once: four colours to a
// 128-bit register, two channels to a multiply-add. With so few colours this
// costs less than finding a cell's candidates and weighing them one by one,
// and needs no cells made first. The answer is the same: the smallest
// distance, and on equal distances the lowest index.
//
// SSE2 is part of every x86-64 processor; elsewhere has_few_colors_search is
// false and callers keep to their other searches.

#include "quant/Cell_Search.h"

#include <array>
#include <cstddef>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
inline constexpr bool has_few_colors_search = true;
#else
inline constexpr bool has_few_colors_search = false;
#endif

constexpr std::size_t max_few_colors = 16;

struct Few_Colors_Search {
#if defined(__SSE2__)
    // Four colours a group: red and green of each side by side as 16-bit
    // lanes, and blue beside a zero; each lane's index, for the low bits of
    // its distance. Groups past the colours repeat colour 0 (see
    // Make_Few_Colors_Search), so every search weighs all four: no loop.
    struct Group {
        __m128i red_green;
        __m128i blue;
        __m128i index;
    };
    std::array<Group, 4> groups;
    // The cost's weights laid out as the channels, for the weighted distance.
    __m128i weights_red_green;
    __m128i weights_blue;
#endif
};

// A search over 1 to max_few_colors colours (channels 0..255), by squared
// differences or, with Channel_Cost::weighted, by each channel's difference
// times its weight (0..255); the kind is chosen at each search.
void Make_Few_Colors_Search(const std::vector<std::array<int, 3>>& colors,
                            const std::array<int, 3>& weights, Few_Colors_Search* search);

#if defined(__SSE2__)
// The index of the nearest colour to a pixel held as 16-bit lanes red,
// green, blue, 0 in the low half of a register, the lowest on equal
// distances; the channels lie in 0..255. Kind is the search's own.
template <Channel_Cost kind>
inline int Nearest_Of_Few(const Few_Colors_Search& search, __m128i pixel) {
    const __m128i pixel_red_green = _mm_shuffle_epi32(pixel, 0x00);
    const __m128i pixel_blue = _mm_shuffle_epi32(pixel, 0x55);
    // Distance times 16 plus index: below 2^24, so exact as a float, whose
    // minimum SSE2 has.
    const auto weighed = [&](const Few_Colors_Search::Group& group) {
        __m128i rg = _mm_sub_epi16(pixel_red_green, group.red_green);
        __m128i bl = _mm_sub_epi16(pixel_blue, group.blue);
        __m128i distance;
        if constexpr (kind == Channel_Cost::squared) {
            distance = _mm_add_epi32(_mm_madd_epi16(rg, rg), _mm_madd_epi16(bl, bl));
        } else {
            rg = _mm_max_epi16(rg, _mm_sub_epi16(_mm_setzero_si128(), rg));
            bl = _mm_max_epi16(bl, _mm_sub_epi16(_mm_setzero_si128(), bl));
            distance = _mm_add_epi32(_mm_madd_epi16(rg, search.weights_red_green),
                                     _mm_madd_epi16(bl, search.weights_blue));
        }
        return _mm_cvtepi32_ps(_mm_or_si128(_mm_slli_epi32(distance, 4), group.index));
    };
    __m128 best = _mm_min_ps(_mm_min_ps(weighed(search.groups[0]), weighed(search.groups[1])),
                             _mm_min_ps(weighed(search.groups[2]), weighed(search.groups[3])));
    best = _mm_min_ps(best, _mm_movehl_ps(best, best));
    best = _mm_min_ss(best, _mm_shuffle_ps(best, best, 1));
    return _mm_cvttss_si32(best) & 15;
}

template <Channel_Cost kind>
inline int Nearest_Of_Few(const Few_Colors_Search& search, int r, int g, int b) {
    return Nearest_Of_Few<kind>(search, _mm_set_epi32(0, 0, b, r | g << 16));
}
#endif
