#pragma once
// The three windows on the bench's own display connection: their full
// repaints and the editor's answers to presses and drags, each measured in
// requests, bytes and time against the straightforward painting.

#include "bench/Bench_Report.h"
#include "convert/Conversion.h"

#include <X11/Xlib.h>

// Opens the windows, measures the traffic of every case into the report and
// registers the timing benchmarks. The display must stay open while they run.
void Register_Window_Benchmarks(Display* display, const Candidates& photo, Bench_Report& report);
