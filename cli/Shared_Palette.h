#pragma once
// zembrix-convert -o OUTDIR --shared-palette: one palette for a whole batch,
// so that every picture of a series carries the same 16 colour words.

#include "cli/Convert_Args.h"
#include "cli/Convert_Batch.h"
#include "io/Palette_Mapping.h"

// The refined method's palette fitted to the working images of all the
// batch's inputs together (fitted as --fit says). Inputs that cannot be read
// are left out without a word: the conversions that follow report them.
Palette_Colors Fit_Batch_Palette(const Batch_Plan& plan, const Convert_Args& args);
