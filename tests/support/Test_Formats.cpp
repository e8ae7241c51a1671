#include "support/Test_Formats.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <lcms2.h>
#include <libheif/heif.h>
#include <stdexcept>
#include <tiffio.h>
#include <webp/encode.h>

namespace {

std::vector<std::uint16_t> Colour_Map(const std::vector<DTPixel>& table, int channel) {
    std::vector<std::uint16_t> map(256, 0);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::uint8_t value = channel == 0   ? table[i].r
                                   : channel == 1 ? table[i].g
                                                  : table[i].b;
        map[i] = static_cast<std::uint16_t>(value * 257);
    }
    return map;
}

std::vector<DTPixel> Colours_Of(const std::vector<DTPixel>& pixels) {
    std::vector<DTPixel> colours;
    for (const DTPixel& pixel : pixels) {
        if (std::find(colours.begin(), colours.end(), pixel) == colours.end()) {
            colours.push_back(pixel);
        }
    }
    return colours;
}

std::vector<std::uint8_t> Row_Samples(const Test_TIFF& tiff, int y,
                                      const std::vector<DTPixel>& table) {
    std::vector<std::uint8_t> row;
    for (int x = 0; x < tiff.width; ++x) {
        const DTPixel p = tiff.pixels[static_cast<std::size_t>(y) * tiff.width + x];
        switch (tiff.kind) {
        case Tiff_Kind::rgb8:
            row.insert(row.end(), {p.r, p.g, p.b});
            break;
        case Tiff_Kind::rgb16: // native byte order, the 8-bit value scaled
            for (std::uint8_t v : {p.r, p.g, p.b}) {
                const std::uint16_t sample = static_cast<std::uint16_t>(v * 257);
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(&sample);
                row.insert(row.end(), bytes, bytes + 2);
            }
            break;
        case Tiff_Kind::grey8:
            row.push_back(p.r);
            break;
        case Tiff_Kind::palette:
            for (std::size_t i = 0; i < table.size(); ++i) {
                if (table[i] == p) {
                    row.push_back(static_cast<std::uint8_t>(i));
                }
            }
            break;
        }
    }
    return row;
}

} // namespace

void Write_Test_TIFF(const std::string& path, const Test_TIFF& tiff) {
    TIFF* out = TIFFOpen(path.c_str(), "w");
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    const bool rgb = tiff.kind == Tiff_Kind::rgb8 || tiff.kind == Tiff_Kind::rgb16;
    const std::vector<DTPixel> table =
        tiff.kind == Tiff_Kind::palette ? Colours_Of(tiff.pixels) : std::vector<DTPixel>{};
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, tiff.width);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, tiff.height);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, rgb ? 3 : 1);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, tiff.kind == Tiff_Kind::rgb16 ? 16 : 8);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC,
                 rgb                             ? PHOTOMETRIC_RGB
                 : tiff.kind == Tiff_Kind::grey8 ? PHOTOMETRIC_MINISBLACK
                                                 : PHOTOMETRIC_PALETTE);
    if (!table.empty()) {
        std::vector<std::uint16_t> r = Colour_Map(table, 0), g = Colour_Map(table, 1),
                                   b = Colour_Map(table, 2);
        TIFFSetField(out, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    if (!tiff.icc.empty()) {
        TIFFSetField(out, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(tiff.icc.size()),
                     tiff.icc.data());
    }
    if (tiff.tile_side == 0) {
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, tiff.rows_per_strip);
        for (int y = 0; y < tiff.height; ++y) {
            std::vector<std::uint8_t> row = Row_Samples(tiff, y, table);
            TIFFWriteScanline(out, row.data(), static_cast<std::uint32_t>(y), 0);
        }
    } else {
        TIFFSetField(out, TIFFTAG_TILEWIDTH, tiff.tile_side);
        TIFFSetField(out, TIFFTAG_TILELENGTH, tiff.tile_side);
        const std::size_t pixel_bytes = Row_Samples(tiff, 0, table).size() / tiff.width;
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(tiff.tile_side) * tiff.tile_side *
                                       pixel_bytes);
        for (int ty = 0; ty < tiff.height; ty += tiff.tile_side) {
            for (int tx = 0; tx < tiff.width; tx += tiff.tile_side) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = ty; y < std::min(tiff.height, ty + tiff.tile_side); ++y) {
                    const std::vector<std::uint8_t> row = Row_Samples(tiff, y, table);
                    for (int x = tx; x < std::min(tiff.width, tx + tiff.tile_side); ++x) {
                        std::copy_n(&row[x * pixel_bytes], pixel_bytes,
                                    &tile[((y - ty) * tiff.tile_side + (x - tx)) * pixel_bytes]);
                    }
                }
                TIFFWriteTile(out, tile.data(), tx, ty, 0, 0);
            }
        }
    }
    TIFFClose(out);
}

Test_TIFF TIFF_Of(int width, int height, std::vector<DTPixel> pixels, Tiff_Kind kind) {
    Test_TIFF tiff;
    tiff.width = width;
    tiff.height = height;
    tiff.pixels = std::move(pixels);
    tiff.kind = kind;
    return tiff;
}

Test_GIF GIF_Of(int width, int height, const std::vector<DTPixel>& pixels) {
    Test_GIF gif;
    gif.screen_width = gif.width = width;
    gif.screen_height = gif.height = height;
    gif.global_table = Colours_Of(pixels);
    for (const DTPixel& p : pixels) {
        const auto at = std::find(gif.global_table.begin(), gif.global_table.end(), p);
        gif.indices.push_back(static_cast<std::uint8_t>(at - gif.global_table.begin()));
    }
    return gif;
}

void Write_Test_GIF(const std::string& path, const Test_GIF& gif) {
    int error = 0;
    GifFileType* out = EGifOpenFileName(path.c_str(), false, &error);
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    auto table_of = [](const std::vector<DTPixel>& colours) -> ColorMapObject* {
        if (colours.empty()) {
            return nullptr;
        }
        int size = 2;
        while (size < static_cast<int>(colours.size())) {
            size *= 2;
        }
        ColorMapObject* map = GifMakeMapObject(size, nullptr);
        for (std::size_t i = 0; i < colours.size(); ++i) {
            map->Colors[i] = {colours[i].r, colours[i].g, colours[i].b};
        }
        return map;
    };
    ColorMapObject* global = table_of(gif.global_table);
    ColorMapObject* local = table_of(gif.local_table);
    EGifSetGifVersion(out, true);
    EGifPutScreenDesc(out, gif.screen_width, gif.screen_height, 8, gif.background, global);
    EGifPutImageDesc(out, gif.left, gif.top, gif.width, gif.height, gif.interlaced, local);
    // Rows go in stored order: an interlaced frame's passes.
    std::vector<int> order;
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (gif.interlaced ? 4 : 1); ++pass) {
        for (int y = gif.interlaced ? starts[pass] : 0; y < gif.height;
             y += gif.interlaced ? steps[pass] : 1) {
            order.push_back(y);
        }
    }
    for (int y : order) {
        std::vector<GifPixelType> row(gif.indices.begin() + y * gif.width,
                                      gif.indices.begin() + (y + 1) * gif.width);
        EGifPutLine(out, row.data(), gif.width);
    }
    EGifCloseFile(out, &error);
    GifFreeMapObject(global);
    GifFreeMapObject(local);
}

std::vector<std::uint8_t> Encode_Test_WebP(int width, int height,
                                           const std::vector<DTPixel>& pixels, bool lossless,
                                           bool alpha) {
    std::vector<std::uint8_t> samples;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        samples.insert(samples.end(), {pixels[i].r, pixels[i].g, pixels[i].b});
        if (alpha) {
            samples.push_back(static_cast<std::uint8_t>(i * 37));
        }
    }
    std::uint8_t* output = nullptr;
    const int stride = width * (alpha ? 4 : 3);
    const std::size_t size =
        alpha ? (lossless ? WebPEncodeLosslessRGBA(samples.data(), width, height, stride, &output)
                          : WebPEncodeRGBA(samples.data(), width, height, stride, 80, &output))
              : (lossless ? WebPEncodeLosslessRGB(samples.data(), width, height, stride, &output)
                          : WebPEncodeRGB(samples.data(), width, height, stride, 80, &output));
    std::vector<std::uint8_t> bytes(output, output + size);
    WebPFree(output);
    return bytes;
}

std::vector<std::uint8_t> Encode_Test_HEIF(int width, int height,
                                           const std::vector<DTPixel>& pixels, bool avif,
                                           int quality, int orientation) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(
        context, avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, quality);
    heif_image* image = nullptr;
    heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y) {
        std::memcpy(plane + static_cast<std::ptrdiff_t>(y) * stride, &pixels[y * width], width * 3);
    }
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_context_encode_image(context, image, encoder, options, nullptr);
    heif_encoding_options_free(options);
    std::vector<std::uint8_t> bytes;
    heif_writer writer{1, [](heif_context*, const void* data, std::size_t size, void* out) {
                           auto* into = static_cast<std::vector<std::uint8_t>*>(out);
                           const auto* from = static_cast<const std::uint8_t*>(data);
                           into->insert(into->end(), from, from + size);
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                       }};
    heif_context_write(context, &writer, &bytes);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

std::vector<std::uint8_t> Test_ICC(Test_Space space) {
    cmsHPROFILE profile = nullptr;
    if (space == Test_Space::srgb) {
        profile = cmsCreate_sRGBProfile();
    } else {
        // Adobe RGB (1998): its published primaries, D65 and gamma 563/256;
        // Wide Gamut RGB's primaries on D50 with gamma 1.8 for the other.
        const bool adobe = space == Test_Space::adobe_rgb;
        const cmsCIExyY white = adobe ? cmsCIExyY{0.3127, 0.3290, 1} : cmsCIExyY{0.3457, 0.3585, 1};
        const cmsCIExyYTRIPLE primaries =
            adobe ? cmsCIExyYTRIPLE{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}
                  : cmsCIExyYTRIPLE{{0.7347, 0.2653, 1}, {0.1152, 0.8264, 1}, {0.1566, 0.0177, 1}};
        cmsToneCurve* curve = cmsBuildGamma(nullptr, adobe ? 563.0 / 256 : 1.8);
        cmsToneCurve* curves[3] = {curve, curve, curve};
        profile = cmsCreateRGBProfile(&white, &primaries, curves);
        cmsFreeToneCurve(curve);
    }
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

DTPixel Profile_Colour_In_sRGB(const std::vector<std::uint8_t>& icc, DTPixel colour) {
    cmsHPROFILE source =
        cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                           cmsFLAGS_BLACKPOINTCOMPENSATION);
    DTPixel out{};
    cmsDoTransform(transform, &colour, &out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    return out;
}

bool Run_Tool(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}
