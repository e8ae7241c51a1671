#include "bench/Large_Images.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>
#include <vector>

namespace {

// Rows of the huge PNG: a few busy rows on top, then black, as a photo
// would compress no better.
void Huge_Row(int y, std::vector<png_byte>* row) {
    for (int x = 0; x < huge_png_side; ++x) {
        const bool busy = y < 4;
        (*row)[3 * x] = busy ? static_cast<png_byte>(x * 7 + y * 13) : 0;
        (*row)[3 * x + 1] = busy ? static_cast<png_byte>(x * 3) : 0;
        (*row)[3 * x + 2] = busy ? static_cast<png_byte>(y * 5 + x) : 0;
    }
}

// Holds no object with a destructor: libpng leaves by longjmp on error.
bool Write_Huge_Rows(png_structp png, png_infop info, std::FILE* file, bool interlaced,
                     std::vector<png_byte>* row) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, huge_png_side, huge_png_side, 8, PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < huge_png_side; ++y) {
            Huge_Row(y, row);
            png_write_row(png, row->data());
        }
    }
    png_write_end(png, info);
    return true;
}

// A smooth photo-like pattern: gradients with a few waves.
void Photo_Row(int y, int width, int height, std::vector<std::uint8_t>* row) {
    for (int x = 0; x < width; ++x) {
        (*row)[3 * x] = static_cast<std::uint8_t>(x * 255 / width);
        (*row)[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / height);
        (*row)[3 * x + 2] = static_cast<std::uint8_t>((x / 37 + y / 23) % 64 * 4);
    }
}

struct Jpeg_Failure {
    jpeg_error_mgr manager; // first, so that the manager's address is the record's
    std::jmp_buf jump;
};

[[noreturn]] void Leave(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Jpeg_Failure*>(info->err)->jump, 1);
}

// Holds no object with a destructor: libjpeg leaves by longjmp on error.
bool Compress_Rows(jpeg_compress_struct* info, Jpeg_Failure* failure, std::FILE* file,
                   bool progressive, std::vector<std::uint8_t>* row) {
    if (setjmp(failure->jump)) {
        return false;
    }
    jpeg_stdio_dest(info, file);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, 85, TRUE);
    if (progressive) {
        jpeg_simple_progression(info);
    }
    jpeg_start_compress(info, TRUE);
    const int width = static_cast<int>(info->image_width);
    const int height = static_cast<int>(info->image_height);
    for (int y = 0; y < height; ++y) {
        Photo_Row(y, width, height, row);
        JSAMPROW rows[1] = {row->data()};
        jpeg_write_scanlines(info, rows, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

} // namespace

bool Write_Huge_PNG(const std::string& path, bool interlaced) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(3 * huge_png_side);
    const bool written = info && Write_Huge_Rows(png, info, file, interlaced, &row);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return std::fclose(file) == 0 && written;
}

bool Write_Large_PPM(const std::string& path, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    bool written = std::fprintf(file, "P6\n%d %d\n255\n", width, height) > 0;
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
    for (int y = 0; written && y < height; ++y) {
        Photo_Row(y, width, height, &row);
        written = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && written;
}

bool Write_Large_JPEG(const std::string& path, int width, int height, bool progressive) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    jpeg_compress_struct info{};
    Jpeg_Failure failure{};
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = Leave;
    jpeg_create_compress(&info);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
    const bool written = Compress_Rows(&info, &failure, file, progressive, &row);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0 && written;
}
