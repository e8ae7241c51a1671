#include "image/Image_Target.h"

#include "image/Orientation.h"

#include <algorithm>

Image_Target Start_Image_Target(Pixel_Size stored, int orientation, Fit_Mode mode,
                                Pixel_Size decoded, Color_Transform transform) {
    Image_Target target;
    target.transform = std::move(transform);
    target.mode = mode;
    target.orientation = orientation;
    target.stored = stored;
    if (mode != Fit_Mode::none) {
        target.fit = Start_Image_Fit(stored, orientation, mode, decoded);
        return target;
    }
    const Pixel_Size upright = Upright_Size(stored, orientation);
    const std::uint64_t count = static_cast<std::uint64_t>(stored.width) * stored.height;
    const std::uint64_t kept = std::min(unfitted_pixels, count);
    const int upright_rows = static_cast<int>((kept + upright.width - 1) / upright.width);
    target.part = Stored_Rect({0, 0, upright.width, upright_rows}, stored, orientation);
    target.cut.width = target.part.x1 - target.part.x0;
    target.cut.height = target.part.y1 - target.part.y0;
    target.cut.pixelCount = static_cast<std::uint64_t>(target.cut.width) * target.cut.height;
    target.cut.pixels.assign(target.cut.pixelCount, DTPixel{0, 0, 0});
    return target;
}

bool Target_Wants_Row(const Image_Target& target, int y) {
    if (target.mode == Fit_Mode::none) {
        return y >= target.part.y0 && y < target.part.y1;
    }
    // The fit keeps the sums of some blocks of rows only.
    const Box_Reduction& box = target.fit.box;
    const int block_y = y / box.factor_y;
    return block_y >= box.part.y0 && block_y < box.part.y1;
}

void Add_Target_Row(Image_Target* target, int y, DTPixel* row) {
    const int width =
        target->mode == Fit_Mode::none ? target->stored.width : target->fit.box.source.width;
    Add_Target_Span(target, y, 0, row, width);
}

void Add_Target_Span(Image_Target* target, int y, int x0, DTPixel* pixels, int count) {
    if (!Target_Wants_Row(*target, y)) {
        return;
    }
    if (target->mode != Fit_Mode::none) {
        Convert_Row(target->transform, pixels, static_cast<std::size_t>(count));
        Add_Fit_Pixels(&target->fit, y, x0, 1, pixels, count);
        return;
    }
    const Pixel_Rect& part = target->part;
    const int first = std::max(x0, part.x0);
    const int end = std::min(x0 + count, part.x1);
    if (first >= end) {
        return;
    }
    DTPixel* kept = pixels + (first - x0);
    Convert_Row(target->transform, kept, static_cast<std::size_t>(end - first));
    std::copy(kept, kept + (end - first),
              target->cut.pixels.begin() +
                  static_cast<std::ptrdiff_t>(y - part.y0) * target->cut.width + (first - part.x0));
}

void Add_Target_Fill(Image_Target* target, Pixel_Rect rect, DTPixel colour) {
    Convert_Row(target->transform, &colour, 1);
    if (target->mode != Fit_Mode::none) {
        Add_Fit_Fill(&target->fit, rect, colour);
        return;
    }
    const Pixel_Rect& part = target->part;
    const Pixel_Rect kept{std::max(rect.x0, part.x0), std::max(rect.y0, part.y0),
                          std::min(rect.x1, part.x1), std::min(rect.y1, part.y1)};
    if (kept.x0 >= kept.x1) {
        return;
    }
    for (int y = kept.y0; y < kept.y1; ++y) {
        const auto row = target->cut.pixels.begin() +
                         static_cast<std::ptrdiff_t>(y - part.y0) * target->cut.width;
        std::fill(row + (kept.x0 - part.x0), row + (kept.x1 - part.x0), colour);
    }
}

DTImage Finish_Image_Target(const Image_Target& target, DTImageType type) {
    if (target.mode != Fit_Mode::none) {
        DTImage fitted = Finish_Image_Fit(target.fit);
        fitted.type = type;
        return fitted;
    }
    const Pixel_Size upright = Upright_Size(target.stored, target.orientation);
    const std::uint64_t count = static_cast<std::uint64_t>(upright.width) * upright.height;
    DTImage image = Apply_Orientation(target.cut, target.orientation);
    image.pixels.resize(static_cast<std::size_t>(std::min(unfitted_pixels, count)));
    image.type = type;
    image.width = upright.width;
    image.height = upright.height;
    image.pixelCount = count;
    return image;
}
