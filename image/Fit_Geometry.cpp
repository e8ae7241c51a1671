#include "image/Fit_Geometry.h"

#include <algorithm>
#include <cmath>

Fit_Plan Plan_Fit(Pixel_Size image, Fit_Mode mode, Pixel_Size target) {
    const double width = image.width;
    const double height = image.height;
    Fit_Plan plan;
    plan.dest = {0, 0, target.width, target.height};
    plan.source = {0, 0, width, height};
    if (mode == Fit_Mode::crop) {
        // Scaled to cover the target at whole-pixel size, then cut to it with
        // the middle kept on whole pixels, as image editors do.
        const double scale = std::max(target.width / width, target.height / height);
        const auto cover = [scale](double side, int least) {
            return std::max(static_cast<int>(std::lround(side * scale)), least);
        };
        const int cover_width = cover(width, target.width);
        const int cover_height = cover(height, target.height);
        const int cut_x = (cover_width - target.width) / 2;
        const int cut_y = (cover_height - target.height) / 2;
        const double per_x = width / cover_width;
        const double per_y = height / cover_height;
        plan.source = {cut_x * per_x, cut_y * per_y, (cut_x + target.width) * per_x,
                       (cut_y + target.height) * per_y};
    } else if (mode == Fit_Mode::pad) {
        // The scale that fits inside; the image is centred on whole pixels,
        // at least one pixel on each side however thin it is.
        const double scale = std::min(target.width / width, target.height / height);
        const int dest_width =
            std::clamp(static_cast<int>(std::lround(width * scale)), 1, target.width);
        const int dest_height =
            std::clamp(static_cast<int>(std::lround(height * scale)), 1, target.height);
        const int x = (target.width - dest_width) / 2;
        const int y = (target.height - dest_height) / 2;
        plan.dest = {x, y, x + dest_width, y + dest_height};
    }
    return plan;
}

double Scale_X(const Fit_Plan& plan) {
    return (plan.dest.x1 - plan.dest.x0) / (plan.source.x1 - plan.source.x0);
}

double Scale_Y(const Fit_Plan& plan) {
    return (plan.dest.y1 - plan.dest.y0) / (plan.source.y1 - plan.source.y0);
}

Pixel_Size Min_Shrunk_Size(Pixel_Size image, const Fit_Plan& plan) {
    const auto least = [](int side, double scale) {
        const double wanted = std::ceil(2 * side * scale - 1e-9);
        return std::clamp(static_cast<int>(wanted), 1, side);
    };
    return {least(image.width, Scale_X(plan)), least(image.height, Scale_Y(plan))};
}

Pixel_Size Box_Factors(Pixel_Size image, Pixel_Size least) {
    const auto factor = [](int side, int wanted) {
        return std::clamp(side / std::max(wanted, 1), 1, max_box_factor);
    };
    return {factor(image.width, least.width), factor(image.height, least.height)};
}
