#include "image/Color_Profile.h"

#include "core/Report.h"

#include <cstdlib>
#include <lcms2.h>
#include <vector>

namespace {

struct Profile_Deleter {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile_Handle = std::unique_ptr<void, Profile_Deleter>;

// Grey samples read from the first of three bytes, so that a grey profile
// takes the same rows as a colour one.
constexpr cmsUInt32Number grey_in_rgb =
    COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(2);

void Warn(const std::string& name, const char* why) {
    Report("Warning: %s: %s; its colours are taken as sRGB.\n", name.c_str(), why);
}

// Whether the transform moves no colour of a grid through the RGB cube by
// more than one step (an sRGB profile, or one as good as sRGB).
bool Keeps_Colours(cmsHTRANSFORM transform, cmsUInt32Number input_format) {
    constexpr int steps = 18; // 0, 15, ..., 255
    std::vector<DTPixel> grid;
    for (int r = 0; r < steps; ++r) {
        for (int g = 0; g < steps; ++g) {
            for (int b = 0; b < steps; ++b) {
                grid.push_back({static_cast<std::uint8_t>(r * 15),
                                static_cast<std::uint8_t>(g * 15),
                                static_cast<std::uint8_t>(b * 15)});
            }
        }
    }
    std::vector<DTPixel> out(grid.size());
    cmsDoTransform(transform, grid.data(), out.data(), static_cast<cmsUInt32Number>(grid.size()));
    const bool grey = input_format == grey_in_rgb;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const DTPixel in = grey ? DTPixel{grid[i].r, grid[i].r, grid[i].r} : grid[i];
        if (std::abs(in.r - out[i].r) > 1 || std::abs(in.g - out[i].g) > 1 ||
            std::abs(in.b - out[i].b) > 1) {
            return false;
        }
    }
    return true;
}

Color_Transform Make_Transform(cmsHPROFILE source, cmsUInt32Number input_format, bool rgb_input,
                               const std::string& name) {
    const Profile_Handle srgb(cmsCreate_sRGBProfile());
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, input_format, srgb.get(), TYPE_RGB_8,
                           INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
    if (!transform) {
        Warn_Unreadable_Profile(name);
        return nullptr;
    }
    Color_Transform handle(transform);
    if (rgb_input && Keeps_Colours(transform, input_format)) {
        return nullptr;
    }
    return handle;
}

} // namespace

void Warn_Unreadable_Profile(const std::string& name) {
    Warn(name, "its colour profile cannot be read");
}

void Color_Transform_Deleter::operator()(void* transform) const {
    cmsDeleteTransform(transform);
}

Color_Transform ICC_To_sRGB(const std::uint8_t* icc, std::size_t size, Sample_Layout layout,
                            const std::string& name) {
    const Profile_Handle profile(cmsOpenProfileFromMem(icc, static_cast<cmsUInt32Number>(size)));
    if (!profile) {
        Warn_Unreadable_Profile(name);
        return nullptr;
    }
    // As a number: a file may hold a value that is none of the enumeration's.
    const auto space = static_cast<std::uint32_t>(cmsGetColorSpace(profile.get()));
    if (layout == Sample_Layout::rgb) {
        if (space == cmsSigRgbData) {
            return Make_Transform(profile.get(), TYPE_RGB_8, true, name);
        }
        if (space == cmsSigGrayData) {
            return Make_Transform(profile.get(), grey_in_rgb, true, name);
        }
    } else if (space == cmsSigCmykData) {
        // lcms2's CMYK counts 255 as full ink; Adobe's files store it inverted.
        const cmsUInt32Number format =
            layout == Sample_Layout::cmyk ? TYPE_CMYK_8 : TYPE_CMYK_8_REV;
        return Make_Transform(profile.get(), format, false, name);
    }
    Warn(name, "its colour profile is not for its kind of pixels");
    return nullptr;
}

Color_Transform Described_To_sRGB(const Described_Profile& described, const std::string& name) {
    const cmsCIExyY white{described.white_x, described.white_y, 1.0};
    const cmsCIExyYTRIPLE primaries{{described.red_x, described.red_y, 1.0},
                                    {described.green_x, described.green_y, 1.0},
                                    {described.blue_x, described.blue_y, 1.0}};
    cmsToneCurve* curve = nullptr;
    switch (described.curve) {
    case Described_Profile::Curve::srgb: {
        const cmsFloat64Number params[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        curve = cmsBuildParametricToneCurve(nullptr, 4, params);
        break;
    }
    case Described_Profile::Curve::gamma:
        curve = cmsBuildGamma(nullptr, described.gamma);
        break;
    }
    if (!curve) {
        Warn(name, "its colour description cannot be used");
        return nullptr;
    }
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const Profile_Handle profile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    if (!profile) {
        Warn(name, "its colour description cannot be used");
        return nullptr;
    }
    return Make_Transform(profile.get(), TYPE_RGB_8, true, name);
}

void Convert_Row(const Color_Transform& transform, DTPixel* pixels, std::size_t count) {
    if (transform) {
        cmsDoTransform(transform.get(), pixels, pixels, static_cast<cmsUInt32Number>(count));
    }
}

void Convert_CMYK_Row(const Color_Transform& transform, const std::uint8_t* samples,
                      DTPixel* pixels, std::size_t count) {
    cmsDoTransform(transform.get(), samples, pixels, static_cast<cmsUInt32Number>(count));
}
