#pragma once
// Resampling with stb_image_resize, in linear light: samples are taken as
// sRGB, filtered as light intensities and stored as sRGB again, as image
// editors do. Shrinking uses the Mitchell filter, enlarging Catmull-Rom.

#include "core/DTImage.h"
#include "image/Fit_Geometry.h"

// The region of the image (in its pixel units; it may reach past the image's
// edges, which are then repeated) resampled to width x height pixels. A
// region that is the whole image at its own size comes back unchanged.
// Throws std::bad_alloc when memory runs out.
DTImage Resize_Region(const DTImage& image, const Source_Region& region, int width, int height);
