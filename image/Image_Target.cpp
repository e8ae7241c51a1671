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
    return target.mode != Fit_Mode::none || (y >= target.part.y0 && y < target.part.y1);
}

void Add_Target_Row(Image_Target* target, int y, DTPixel* row) {
    if (!Target_Wants_Row(*target, y)) {
        return;
    }
    if (target->mode != Fit_Mode::none) {
        Convert_Row(target->transform, row, static_cast<std::size_t>(target->fit.box.source.width));
        Add_Fit_Row(&target->fit, y, row);
        return;
    }
    const Pixel_Rect& part = target->part;
    DTPixel* kept = row + part.x0;
    Convert_Row(target->transform, kept, static_cast<std::size_t>(part.x1 - part.x0));
    std::copy(kept, row + part.x1,
              target->cut.pixels.begin() +
                  static_cast<std::ptrdiff_t>(y - part.y0) * target->cut.width);
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
