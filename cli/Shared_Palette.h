#pragma once
// zembrix-convert -o OUTDIR --shared-palette: one palette for a whole batch,
// so that every picture of a series carries the same 16 colour words. Each
// input's working image is read once, before any picture is made, and kept
// with the others: the fit needs all of their pixels, and each picture is
// then mapped from its own.

#include "convert/Palette_Mapping.h"
#include "core/DTImage.h"

#include <cstddef>
#include <optional>
#include <vector>

struct Batch_Images {
    // The working images (12288 pixels each) of the inputs that could be
    // read, one after another in input order.
    std::vector<DTPixel> pixels;
    // For each input in turn, where its working image begins among them;
    // none for an input that could not be read.
    std::vector<std::optional<std::size_t>> starts;
};

// Adds the next input's working image, or none when it could not be read.
void Add_Batch_Image(Batch_Images* images, const std::optional<DTImage>& working);

// The working image of the input whose image begins at `start`.
DTImage Batch_Image(const Batch_Images& images, std::size_t start);

// The refined method's palette fitted to all the working images together,
// around the kept colours (its first entries).
Palette_Colors Fit_Batch_Palette(const Batch_Images& images, const std::vector<DTPixel>& kept,
                                 Octree_Workspace& workspace);
