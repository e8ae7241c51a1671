#pragma once
// Whole batches against pngquant on the same photographs, and the
// converter's peak memory on a batch of any length.

#include "bench/Bench_Report.h"

#include <string>

// Adds the batch figures to the report. `photos` is a folder
// of 128x96 PNG photographs; `scratch` a folder for copies and outputs.
void Add_Batch_Figures(const std::string& converter, const std::string& photos,
                       const std::string& scratch, Bench_Report& report);
