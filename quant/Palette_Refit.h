#pragma once
// The palette that suits given pixels best by the viewing error (see
// quant/Viewing_Error.h). The error is quadratic in the palette's colours, so
// the best colours off the levels solve a small linear system; each is then
// put on the levels and moved a level at a time while that lowers the
// error.

#include "core/DTImage.h"
#include "quant/Viewing_Error.h"

#include <cstdint>
#include <vector>

// The palette refitted to the pixels' indices: entries that may move (a
// missing flag is taken as fixed) and that some pixel uses take new colours
// on the levels, the others stay. The given palette comes back when the
// refit would not lower the error.
std::vector<DTPixel> Refit_Palette(const Viewing_Model& model, const std::vector<DTPixel>& palette,
                                   const std::vector<bool>& movable,
                                   const std::vector<std::uint8_t>& indices);
