#include "cli/Shared_Palette.h"

#include "core/MQ4_Document.h"

void Add_Batch_Image(Batch_Images* images, const std::optional<DTImage>& working) {
    if (!working) {
        images->starts.push_back(std::nullopt);
        return;
    }
    images->starts.push_back(images->pixels.size());
    images->pixels.insert(images->pixels.end(), working->pixels.begin(), working->pixels.end());
}

DTImage Batch_Image(const Batch_Images& images, std::size_t start) {
    DTImage working;
    working.width = picture_width;
    working.height = picture_height;
    working.type = DTImageTypeUnknown;
    working.pixelCount = picture_pixels;
    working.pixels.assign(images.pixels.begin() + static_cast<std::ptrdiff_t>(start),
                          images.pixels.begin() + static_cast<std::ptrdiff_t>(start) +
                              picture_pixels);
    return working;
}

Palette_Colors Fit_Batch_Palette(const Batch_Images& images, const std::vector<DTPixel>& kept,
                                 Octree_Workspace& workspace) {
    return Fit_Shared_Palette(images.pixels, kept, workspace);
}
