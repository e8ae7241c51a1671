// PNG decoding to 8-bit RGB with libpng, one row at a time. libpng reports
// errors by longjmp, so every libpng call that may fail is made from a
// guarded function that holds no object with a destructor; the states and
// buffers live in the decoder.

#include "app/Report.h"
#include "image/Decode_Result.h"
#include "image/PNG_Decoder.h"
#include "image/PNG_Messages.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

namespace {

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
// refused before any row is decoded.
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

int Decode_Row(png_structp png, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    png_read_row(png, row, nullptr);
    return read_ok;
}

// Every pass of an interlaced image, row by row: libpng combines each pass
// into the rows it is given (the top `kept_rows`, in `gathered`) and checks
// the others without a place to put them.
int Decode_Passes(png_structp png, int passes, std::int32_t height, std::int32_t kept_rows,
                  png_bytep gathered, std::size_t row_bytes) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (std::int32_t y = 0; y < height; ++y) {
            png_read_row(png, y < kept_rows ? gathered + row_bytes * y : nullptr, nullptr);
        }
    }
    return read_ok;
}

int Read_End(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    png_read_end(png, info);
    return read_ok;
}

std::size_t Row_Bytes(const Png_Decoder& decoder) {
    return static_cast<std::size_t>(decoder.width) * sizeof(DTPixel);
}

} // namespace

Png_Decoder::~Png_Decoder() {
    if (png) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
}

int Open_PNG(Png_Decoder* decoder, std::FILE* file, std::uint64_t rest_size) {
    decoder->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Report_PNG_Error,
                                          Report_PNG_Warning);
    if (!decoder->png) {
        return read_no_png_state;
    }
    decoder->info = png_create_info_struct(decoder->png);
    if (!decoder->info) {
        return read_no_png_info;
    }
    Png_Header header;
    if (Read_Png_Header(decoder->png, decoder->info, file, &header) != read_ok) {
        return read_png_error;
    }
    if (!Image_Size_Allowed(header.width, header.height) ||
        !Size_Plausible(decoder->png, decoder->info, header, rest_size)) {
        return read_bad_header;
    }
    decoder->width = static_cast<std::int32_t>(header.width);
    decoder->height = static_cast<std::int32_t>(header.height);
    png_size_t row_bytes = 0;
    if (Prepare_Rows(decoder->png, decoder->info, header, &decoder->passes, &row_bytes) !=
        read_ok) {
        return read_png_error;
    }
    if (row_bytes != Row_Bytes(*decoder)) {
        return read_not_rgb;
    }
    return read_ok;
}

int Read_PNG_Row(Png_Decoder* decoder, DTPixel* row, std::int32_t kept_rows) {
    const std::int32_t y = decoder->rows_done++;
    if (decoder->passes == 1) {
        return Decode_Row(decoder->png, reinterpret_cast<png_bytep>(row));
    }
    const std::size_t row_bytes = Row_Bytes(*decoder);
    if (y == 0) {
        kept_rows = std::clamp(kept_rows, 0, decoder->height);
        decoder->gathered.resize(static_cast<std::size_t>(decoder->width) * kept_rows);
        const int result =
            Decode_Passes(decoder->png, decoder->passes, decoder->height, kept_rows,
                          reinterpret_cast<png_bytep>(decoder->gathered.data()), row_bytes);
        if (result != read_ok) {
            return result;
        }
    }
    const std::size_t gathered_rows = decoder->gathered.size() / decoder->width;
    if (row && static_cast<std::size_t>(y) < gathered_rows) {
        std::copy_n(decoder->gathered.data() + decoder->width * static_cast<std::size_t>(y),
                    decoder->width, row);
    }
    if (static_cast<std::size_t>(y) + 1 == gathered_rows) {
        // The last gathered row is out: the rest were only checked.
        decoder->gathered = {};
    }
    return read_ok;
}

int Finish_PNG(Png_Decoder* decoder) {
    return Read_End(decoder->png, decoder->info);
}
