#include "io/PNG_Writer.h"

#include "core/Report.h"
#include "image/PNG_Messages.h"
#include "io/Safe_Write.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <png.h>

namespace {

struct Png_Write_State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Png_Write_State() = default;
    Png_Write_State(const Png_Write_State&) = delete;
    Png_Write_State& operator=(const Png_Write_State&) = delete;
    ~Png_Write_State() {
        if (png) {
            png_destroy_write_struct(&png, info ? &info : nullptr);
        }
    }
};

// A stream that collects what is written into a growing memory buffer.
struct Memory_Stream {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* file = nullptr;
    Memory_Stream() : file(open_memstream(&data, &size)) {}
    Memory_Stream(const Memory_Stream&) = delete;
    Memory_Stream& operator=(const Memory_Stream&) = delete;
    ~Memory_Stream() {
        if (file) {
            std::fclose(file);
        }
        std::free(data);
    }
    // Closes the stream so that data and size are final.
    bool Finish() {
        const int result = std::fclose(file);
        file = nullptr;
        return result == 0;
    }
};

// Holds no object with a destructor: libpng leaves by longjmp on error.
bool Encode_Image(png_structp png, png_infop info, std::FILE* file, const DTImage& image) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        // DTPixel is three packed bytes, the layout of an RGB row.
        const DTPixel* row = &image.pixels[static_cast<std::size_t>(y) * image.width];
        png_write_row(png, reinterpret_cast<png_const_bytep>(row));
    }
    png_write_end(png, info);
    return true;
}

// The picture in its display colours, every pixel scale x scale.
DTImage Scaled_Picture(const MQ4_Document& picture, int scale) {
    DTImage image;
    image.width = picture_width * scale;
    image.height = picture_height * scale;
    image.type = DTImageTypePNG;
    image.pixelCount = static_cast<std::uint64_t>(image.width) * image.height;
    image.pixels.reserve(image.pixelCount);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int index = picture.pixels[(y / scale) * picture_width + x / scale] & 0x0F;
            image.pixels.push_back(picture.palette[index]);
        }
    }
    return image;
}

} // namespace

std::optional<std::vector<std::uint8_t>> Encode_PNG_Image(const DTImage& image) {
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
        return std::nullopt;
    }
    Memory_Stream stream;
    Png_Write_State state;
    if (!stream.file) {
        return std::nullopt;
    }
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Report_PNG_Error,
                                        Report_PNG_Warning);
    if (!state.png) {
        return std::nullopt;
    }
    state.info = png_create_info_struct(state.png);
    if (!state.info || !Encode_Image(state.png, state.info, stream.file, image) ||
        !stream.Finish()) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data);
    return std::vector<std::uint8_t>(bytes, bytes + stream.size);
}

std::optional<std::vector<std::uint8_t>> Encode_PNG_Picture(const MQ4_Document& picture,
                                                            int scale) {
    if (scale < min_png_scale || scale > max_png_scale) {
        return std::nullopt;
    }
    return Encode_PNG_Image(Scaled_Picture(picture, scale));
}

bool Write_PNG_Picture(const std::string& path, const MQ4_Document& picture, int scale) {
    const std::optional<std::vector<std::uint8_t>> bytes = Encode_PNG_Picture(picture, scale);
    std::string reason = "the PNG encoder failed";
    if (!bytes || !Write_File_Safely(path, bytes->data(), bytes->size(), &reason)) {
        Report("Could not save %s: %s\n", path.c_str(), reason.c_str());
        return false;
    }
    return true;
}
