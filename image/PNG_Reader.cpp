// PNG decoding to 8-bit RGB with libpng. libpng reports errors by longjmp, so
// every libpng call is made from a guarded function that holds no object with
// a destructor; the states, pixels and row pointers live in the caller.

#include "app/Report.h"
#include "image/Image_Readers.h"
#include "image/PNG_Messages.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <png.h>

namespace {

struct Png_Read_State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Png_Read_State() = default;
    Png_Read_State(const Png_Read_State&) = delete;
    Png_Read_State& operator=(const Png_Read_State&) = delete;
    ~Png_Read_State() {
        if (png) {
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        }
    }
};

struct Png_Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int color_type = 0;
    int bit_depth = 0;
};

int Read_Png_Header(png_structp png, png_infop info, std::FILE* file, Png_Header* header) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Mutated files almost never keep valid checksums; checking them would
    // stop the fuzzer at the first chunk, before any pixel is decoded.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->color_type = png_get_color_type(png, info);
    header->bit_depth = png_get_bit_depth(png, info);
    return read_ok;
}

void Request_Rgb8(png_structp png, png_infop info, const Png_Header& header) {
    const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (header.bit_depth == 16) {
        png_set_strip_16(png);
    }
    if (header.color_type == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (header.color_type == PNG_COLOR_TYPE_GRAY && header.bit_depth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (has_trns) {
        png_set_tRNS_to_alpha(png);
    }
    // The alpha channel that a transparency chunk brings is dropped like a
    // stored one: transparency is not shown anywhere.
    if ((header.color_type & PNG_COLOR_MASK_ALPHA) != 0 || has_trns) {
        png_set_strip_alpha(png);
    }
    if (header.color_type == PNG_COLOR_TYPE_GRAY ||
        header.color_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
}

// Gives the number of interlace passes and the decoded row size.
int Prepare_Rows(png_structp png, png_infop info, const Png_Header& header, int* passes,
                 png_size_t* row_bytes) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    Request_Rgb8(png, info, header);
    *passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *row_bytes = png_get_rowbytes(png, info);
    return read_ok;
}

// Deflate turns one byte into at most 1032, so the file's own rows (at its
// own depth, before any widening) cannot be more than that many times the
// bytes that follow its signature. A header that claims more lies, and is
// refused before anything the size of the image is allocated.
constexpr std::uint64_t max_deflate_ratio = 1032;

bool Size_Plausible(png_structp png, png_infop info, const Png_Header& header,
                    std::uint64_t rest_size) {
    const std::uint64_t file_rows =
        static_cast<std::uint64_t>(png_get_rowbytes(png, info)) * header.height;
    if (file_rows <= rest_size * max_deflate_ratio) {
        return true;
    }
    Report("A PNG file of %llu bytes cannot hold a %ux%u image.\n",
           static_cast<unsigned long long>(rest_size + 8), header.width, header.height);
    return false;
}

png_bytep Row_Start(DTImage* image, std::size_t row) {
    return reinterpret_cast<png_bytep>(image->pixels.data() +
                                       row * static_cast<std::size_t>(image->width));
}

// A plain image grows row by row, so a file that promises more rows than it
// holds costs no more memory than it brings. An interlaced one needs every row
// at once.
int Decode_Rows(png_structp png, png_infop info, DTImage* image, int passes,
                std::vector<png_bytep>* rows) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    const std::size_t width = static_cast<std::size_t>(image->width);
    const std::size_t height = static_cast<std::size_t>(image->height);
    if (passes == 1) {
        for (std::size_t row = 0; row < height; ++row) {
            image->pixels.resize((row + 1) * width);
            png_read_row(png, Row_Start(image, row), nullptr);
        }
    } else {
        image->pixels.resize(width * height);
        rows->resize(height);
        for (std::size_t row = 0; row < height; ++row) {
            (*rows)[row] = Row_Start(image, row);
        }
        png_read_image(png, rows->data());
    }
    png_read_end(png, info);
    return read_ok;
}

int Read_Png(Png_Read_State* state, DTImage* image, std::FILE* file, std::uint64_t rest_size) {
    Png_Header header;
    if (Read_Png_Header(state->png, state->info, file, &header) != read_ok) {
        return read_png_error;
    }
    if (!Image_Size_Allowed(header.width, header.height) ||
        !Size_Plausible(state->png, state->info, header, rest_size)) {
        return read_bad_header;
    }
    image->width = static_cast<std::int32_t>(header.width);
    image->height = static_cast<std::int32_t>(header.height);
    image->pixelCount = static_cast<std::uint64_t>(image->width) * image->height;
    int passes = 1;
    png_size_t row_bytes = 0;
    if (Prepare_Rows(state->png, state->info, header, &passes, &row_bytes) != read_ok) {
        return read_png_error;
    }
    if (row_bytes != static_cast<png_size_t>(image->width) * 3) {
        return read_not_rgb;
    }
    std::vector<png_bytep> rows;
    return Decode_Rows(state->png, state->info, image, passes, &rows);
}

} // namespace

int Read_PNG_Data(DTImage* image, std::FILE* file, std::uint64_t rest_size) {
    Png_Read_State state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Report_PNG_Error,
                                       Report_PNG_Warning);
    if (!state.png) {
        return read_no_png_state;
    }
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        return read_no_png_info;
    }
    try {
        return Read_Png(&state, image, file, rest_size);
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", image->width, image->height);
        return read_no_memory;
    }
}
