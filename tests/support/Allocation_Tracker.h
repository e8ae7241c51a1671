#pragma once
// The largest single request made through operator new. Allocation_Tracker.cpp
// replaces the global operator new of the test program that lists it among its
// sources (not the support library, whose copy the linker might skip).

#include <cstddef>

std::size_t Largest_Allocation();
void Reset_Largest_Allocation();
