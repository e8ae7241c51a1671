#include "support/Test_Images.h"

#include "support/Temp_Dir.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <png.h>
#include <stdexcept>

namespace {

struct Writer {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = nullptr;
    ~Writer() {
        if (png) {
            png_destroy_write_struct(&png, info ? &info : nullptr);
        }
        if (file) {
            std::fclose(file);
        }
        std::free(data);
    }
};

std::vector<png_byte> Pack_Row(const Test_PNG& description, int y) {
    const int channels = PNG_Channels(description.color_type);
    const std::size_t count = static_cast<std::size_t>(description.width) * channels;
    const unsigned* samples = description.samples.data() + y * count;
    std::vector<png_byte> row;
    if (description.bit_depth == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            row.push_back(static_cast<png_byte>(samples[i] >> 8));
            row.push_back(static_cast<png_byte>(samples[i] & 0xFF));
        }
    } else if (description.bit_depth == 8) {
        for (std::size_t i = 0; i < count; ++i) {
            row.push_back(static_cast<png_byte>(samples[i]));
        }
    } else {
        const int per_byte = 8 / description.bit_depth;
        row.assign((count + per_byte - 1) / per_byte, 0);
        for (std::size_t i = 0; i < count; ++i) {
            const int shift = 8 - description.bit_depth * (static_cast<int>(i % per_byte) + 1);
            row[i / per_byte] |= static_cast<png_byte>(samples[i] << shift);
        }
    }
    return row;
}

void Set_Transparency(png_structp png, png_infop info, const Test_PNG& description,
                      png_color_16* color) {
    if (description.color_type == PNG_COLOR_TYPE_PALETTE && !description.palette_alpha.empty()) {
        png_set_tRNS(png, info, description.palette_alpha.data(),
                     static_cast<int>(description.palette_alpha.size()), nullptr);
    } else if (description.transparent) {
        const auto& t = *description.transparent;
        color->gray = t[0];
        color->red = t[0];
        color->green = t[1];
        color->blue = t[2];
        png_set_tRNS(png, info, nullptr, 0, color);
    }
}

bool Encode(Writer* w, const Test_PNG& description, std::vector<png_color>* palette,
            png_color_16* color, std::vector<png_bytep>* rows) {
    if (setjmp(png_jmpbuf(w->png))) {
        return false;
    }
    png_init_io(w->png, w->file);
    png_set_IHDR(w->png, w->info, description.width, description.height, description.bit_depth,
                 description.color_type,
                 description.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette->empty()) {
        png_set_PLTE(w->png, w->info, palette->data(), static_cast<int>(palette->size()));
    }
    Set_Transparency(w->png, w->info, description, color);
    if (!description.icc.empty()) {
        png_set_iCCP(w->png, w->info, "test", PNG_COMPRESSION_TYPE_BASE, description.icc.data(),
                     static_cast<png_uint_32>(description.icc.size()));
    }
    if (description.primaries.size() == 8) {
        const std::vector<double>& p = description.primaries;
        png_set_cHRM(w->png, w->info, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
    }
    if (description.gamma > 0) {
        png_set_gAMA(w->png, w->info, description.gamma);
    }
    png_write_info(w->png, w->info);
    png_write_image(w->png, rows->data());
    png_write_end(w->png, w->info);
    return true;
}

} // namespace

int PNG_Channels(int color_type) {
    switch (color_type) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1;
    }
}

std::vector<std::uint8_t> Encode_Test_PNG(const Test_PNG& description) {
    Writer w;
    w.file = open_memstream(&w.data, &w.size);
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    w.info = w.png ? png_create_info_struct(w.png) : nullptr;
    if (!w.file || !w.info) {
        throw std::runtime_error("cannot set up the PNG writer");
    }
    std::vector<png_color> palette;
    for (const DTPixel& p : description.palette) {
        palette.push_back({p.r, p.g, p.b});
    }
    std::vector<std::vector<png_byte>> packed;
    std::vector<png_bytep> rows;
    for (int y = 0; y < description.height; ++y) {
        packed.push_back(Pack_Row(description, y));
    }
    for (auto& row : packed) {
        rows.push_back(row.data());
    }
    png_color_16 color{};
    if (!Encode(&w, description, &palette, &color, &rows)) {
        throw std::runtime_error("libpng refused the test image");
    }
    std::fclose(w.file);
    w.file = nullptr;
    return {reinterpret_cast<std::uint8_t*>(w.data),
            reinterpret_cast<std::uint8_t*>(w.data) + w.size};
}

void Write_Test_PNG(const std::string& path, const Test_PNG& png) {
    Write_Bytes(path, Encode_Test_PNG(png));
}

void Write_RGB_PNG(const std::string& path, int width, int height,
                   const std::vector<DTPixel>& pixels) {
    Test_PNG png;
    png.width = width;
    png.height = height;
    for (const DTPixel& p : pixels) {
        png.samples.insert(png.samples.end(), {p.r, p.g, p.b});
    }
    Write_Test_PNG(path, png);
}

std::vector<std::uint8_t> PPM_Bytes(const std::string& header,
                                    const std::vector<std::uint8_t>& raster) {
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), raster.begin(), raster.end());
    return bytes;
}

std::vector<std::uint8_t> PPM_Bytes(int width, int height, const std::vector<DTPixel>& pixels) {
    std::vector<std::uint8_t> raster;
    for (const DTPixel& p : pixels) {
        raster.insert(raster.end(), {p.r, p.g, p.b});
    }
    return PPM_Bytes("P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n",
                     raster);
}

DTImage Image_Of(int width, int height, std::vector<DTPixel> pixels) {
    DTImage image;
    image.width = width;
    image.height = height;
    image.type = DTImageTypePNG;
    image.pixelCount = pixels.size();
    image.pixels = std::move(pixels);
    return image;
}

DTImage Pattern_Image(int width, int height, unsigned seed) {
    DTImage image;
    image.width = width;
    image.height = height;
    image.type = DTImageTypePNG;
    image.pixelCount = static_cast<std::uint64_t>(width) * height;
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // A smooth picture with some noise, as photographs have.
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 28);
            image.pixels.push_back({static_cast<std::uint8_t>((x * 2 + noise) & 0xFF),
                                    static_cast<std::uint8_t>((y * 2 + x / 2 + noise) & 0xFF),
                                    static_cast<std::uint8_t>((255 - x - y + noise * 3) & 0xFF)});
        }
    }
    return image;
}
