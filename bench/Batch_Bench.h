#pragma once
// Whole batches against pngquant on the same photographs, the converter's
// peak memory on a batch of any length, and on one huge PNG.

#include "bench/Bench_Report.h"

#include <string>

// Adds the batch and large-image figures to the report. `photos` is a folder
// of 128x96 PNG photographs; `scratch` a folder for copies and outputs.
void Add_Batch_Figures(const std::string& converter, const std::string& photos,
                       const std::string& scratch, Bench_Report& report);
