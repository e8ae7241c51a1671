// zembrix-icc-embed SPACE INPUT OUTPUT.png: the sRGB image INPUT converted
// into SPACE (adobe, widegamut, prophoto or p3) with lcms2 and written as an
// 8-bit PNG that carries the space's ICC profile, made here with lcms2 from
// the space's published primaries, white point and tone curve. Used by
// bench/formats.sh to make the photographs a camera or an editor would save
// in those spaces; not installed.

#include "image/Image_File.h"

#include <cstdio>
#include <cstring>
#include <lcms2.h>
#include <png.h>
#include <string>
#include <vector>

namespace {

cmsHPROFILE Make_Space(const std::string& space) {
    const cmsCIExyY d65{0.3127, 0.3290, 1};
    const cmsCIExyY d50{0.3457, 0.3585, 1};
    cmsCIExyY white = d65;
    cmsCIExyYTRIPLE primaries{};
    cmsToneCurve* curve = nullptr;
    if (space == "adobe") {
        primaries = {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
        curve = cmsBuildGamma(nullptr, 563.0 / 256);
    } else if (space == "widegamut") {
        white = d50;
        primaries = {{0.7347, 0.2653, 1}, {0.1152, 0.8264, 1}, {0.1566, 0.0177, 1}};
        curve = cmsBuildGamma(nullptr, 563.0 / 256);
    } else if (space == "prophoto") {
        white = d50;
        primaries = {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}};
        curve = cmsBuildGamma(nullptr, 1.8);
    } else if (space == "p3") {
        primaries = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
        const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    } else {
        return nullptr;
    }
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

bool Write_PNG(const char* path, const DTImage& image, const std::vector<std::uint8_t>& icc) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_iCCP(png, info, "embedded", PNG_COMPRESSION_TYPE_BASE, icc.data(),
                 static_cast<png_uint_32>(icc.size()));
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, reinterpret_cast<png_const_bytep>(
                               &image.pixels[static_cast<std::size_t>(y) * image.width]));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("Usage: zembrix-icc-embed adobe|widegamut|prophoto|p3 INPUT OUTPUT.png\n",
                   stderr);
        return 2;
    }
    cmsHPROFILE space = Make_Space(argv[1]);
    std::optional<DTImage> image = CreateImageFromFile(argv[2]);
    if (!space || !image) {
        std::fputs("zembrix-icc-embed: unknown space or unreadable input\n", stderr);
        return 1;
    }
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(srgb, TYPE_RGB_8, space, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                           cmsFLAGS_BLACKPOINTCOMPENSATION);
    cmsDoTransform(transform, image->pixels.data(), image->pixels.data(),
                   static_cast<cmsUInt32Number>(image->pixels.size()));
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(space, nullptr, &size);
    std::vector<std::uint8_t> icc(size);
    cmsSaveProfileToMem(space, icc.data(), &size);
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(space);
    return Write_PNG(argv[3], *image, icc) ? 0 : 1;
}
