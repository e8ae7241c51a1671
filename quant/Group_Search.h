#pragma once
// The nearest-colour searches take the distances of 16 entries at a time and
// then look for the lowest, with no branch per entry, which the compiler
// turns into vector code. Searches pad their entries to whole groups with
// places far from every colour.

#include <algorithm>

constexpr int search_group = 16;

inline int Lowest_Distance(const int (&distances)[search_group]) {
    int lowest = distances[0];
    for (int k = 1; k < search_group; ++k) {
        lowest = std::min(lowest, distances[k]);
    }
    return lowest;
}

// The first position holding the distance: on equal distances the lowest
// index wins.
inline int First_Position_Of(const int (&distances)[search_group], int distance) {
    int first = search_group - 1;
    for (int k = search_group - 2; k >= 0; --k) {
        first = distances[k] == distance ? k : first;
    }
    return first;
}
