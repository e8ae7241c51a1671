// PNG decoding to 8-bit RGB with libpng, one stored row at a time. libpng
// reports errors by longjmp, so every libpng call that may fail is made from
// a guarded function that holds no object with a destructor; the states live
// in the decoder. libpng's own interlace handling stays off: it would need
// the rows of every pass at once, while each pass row read as it is lands
// straight where its pixels belong.

#include "core/Report.h"
#include "image/Image_Size.h"
#include "image/PNG_Decoder.h"
#include "image/PNG_Messages.h"

#include <csetjmp>
#include <cstdio>

namespace {

struct Png_Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int color_type = 0;
    int bit_depth = 0;
    int interlace = 0;
};

// Deflate turns one byte into at most 1032, so the file's own rows (at its
// own depth, before any widening) cannot be more than that many times the
// bytes that follow its signature. A header that claims more lies.
constexpr std::uint64_t max_deflate_ratio = 1032;

bool Size_Plausible(const Png_Decoder& decoder, std::uint64_t rest_size) {
    return decoder.file_row_bytes <= rest_size * max_deflate_ratio;
}

void Report_Implausible(const Png_Decoder& decoder, std::uint64_t rest_size) {
    Report("A PNG file of %llu bytes cannot hold a %dx%d image.\n",
           static_cast<unsigned long long>(rest_size + 8), decoder.width, decoder.height);
}

// The stream's bytes as libpng's own reader gives them, counted.
void Read_Stream(png_structp png, png_bytep data, png_size_t length) {
    auto* decoder = static_cast<Png_Decoder*>(png_get_io_ptr(png));
    const std::size_t got = std::fread(data, 1, length, decoder->file);
    decoder->bytes_read += got;
    if (got != length) {
        png_error(png, "Read Error");
    }
}

// Whether a stream of unknown length, read to its end or until it has
// shown enough, is too short for the header's rows.
bool Found_Implausible(Png_Decoder* decoder, std::uint64_t* rest_size) {
    std::uint8_t chunk[65536];
    std::uint64_t size = decoder->bytes_read;
    while (!Size_Plausible(*decoder, size)) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, decoder->file);
        if (got == 0) {
            *rest_size = size;
            return true;
        }
        size += got;
    }
    return false;
}

// libpng's errors. A file whose length was not known when its header was
// read is weighed against its header now, so that a lying one is refused
// for its size, as it is when its length is known.
void Report_Read_Error(png_structp png, png_const_charp message) {
    auto* decoder = static_cast<Png_Decoder*>(png_get_error_ptr(png));
    std::uint64_t rest_size = 0;
    if (!decoder->rest_size && decoder->file_row_bytes > 0 &&
        Found_Implausible(decoder, &rest_size)) {
        try {
            Report_Implausible(*decoder, rest_size);
        } catch (...) {
            // Out of memory even for the message: the refusal still follows.
        }
        png_longjmp(png, 1);
    }
    Report_PNG_Error(png, message);
}

int Read_Png_Header(Png_Decoder* decoder, Png_Header* header) {
    png_structp png = decoder->png;
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Mutated files almost never keep valid checksums; checking them would
    // stop the fuzzer at the first chunk, before any pixel is decoded.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_set_read_fn(png, decoder, Read_Stream);
    png_set_sig_bytes(png, 8);
    png_read_info(png, decoder->info);
    header->width = png_get_image_width(png, decoder->info);
    header->height = png_get_image_height(png, decoder->info);
    header->color_type = png_get_color_type(png, decoder->info);
    header->bit_depth = png_get_bit_depth(png, decoder->info);
    header->interlace = png_get_interlace_type(png, decoder->info);
    decoder->file_row_bytes =
        static_cast<std::uint64_t>(png_get_rowbytes(png, decoder->info)) * header->height;
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

// Gives the decoded size of a whole row.
int Prepare_Rows(png_structp png, png_infop info, const Png_Header& header, png_size_t* row_bytes) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    Request_Rgb8(png, info, header);
    png_read_update_info(png, info);
    *row_bytes = png_get_rowbytes(png, info);
    return read_ok;
}

int Decode_Row(png_structp png, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    png_read_row(png, row, nullptr);
    return read_ok;
}

int Read_End(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) {
        return read_png_error;
    }
    png_read_end(png, info);
    return read_ok;
}

// The rows and columns of a pass of an interlaced image.
std::int32_t Pass_Rows(const Png_Decoder& decoder, int pass) {
    return decoder.interlaced ? static_cast<std::int32_t>(PNG_PASS_ROWS(decoder.height, pass))
                              : decoder.height;
}

std::int32_t Pass_Columns(const Png_Decoder& decoder, int pass) {
    return decoder.interlaced ? static_cast<std::int32_t>(PNG_PASS_COLS(decoder.width, pass))
                              : decoder.width;
}

// Moves on to the next pass that holds any pixel, as libpng does.
void Next_Pass(Png_Decoder* decoder) {
    decoder->pass_rows_done = 0;
    do {
        ++decoder->pass;
    } while (decoder->pass < 7 && (Pass_Rows(*decoder, decoder->pass) == 0 ||
                                   Pass_Columns(*decoder, decoder->pass) == 0));
}

} // namespace

Png_Decoder::~Png_Decoder() {
    if (png) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
}

int Open_PNG(Png_Decoder* decoder, std::FILE* file, std::optional<std::uint64_t> rest_size) {
    decoder->file = file;
    decoder->rest_size = rest_size;
    decoder->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, decoder, Report_Read_Error,
                                          Report_PNG_Warning);
    if (!decoder->png) {
        return read_no_png_state;
    }
    decoder->info = png_create_info_struct(decoder->png);
    if (!decoder->info) {
        return read_no_png_info;
    }
    Png_Header header;
    if (Read_Png_Header(decoder, &header) != read_ok) {
        return read_png_error;
    }
    if (!Image_Size_Allowed(header.width, header.height)) {
        return read_bad_header;
    }
    decoder->width = static_cast<std::int32_t>(header.width);
    decoder->height = static_cast<std::int32_t>(header.height);
    if (rest_size && !Size_Plausible(*decoder, *rest_size)) {
        Report_Implausible(*decoder, *rest_size);
        return read_bad_header;
    }
    decoder->interlaced = header.interlace != PNG_INTERLACE_NONE;
    png_size_t row_bytes = 0;
    if (Prepare_Rows(decoder->png, decoder->info, header, &row_bytes) != read_ok) {
        return read_png_error;
    }
    if (row_bytes != static_cast<std::size_t>(decoder->width) * sizeof(DTPixel)) {
        return read_not_rgb;
    }
    return read_ok;
}

std::optional<Pixel_Run> Next_PNG_Run(const Png_Decoder& decoder) {
    if (decoder.pass >= 7) {
        return std::nullopt;
    }
    if (!decoder.interlaced) {
        return Pixel_Run{decoder.pass_rows_done, 0, 1, decoder.width};
    }
    const int pass = decoder.pass;
    return Pixel_Run{
        static_cast<std::int32_t>(PNG_PASS_START_ROW(pass)) +
            decoder.pass_rows_done * static_cast<std::int32_t>(PNG_PASS_ROW_OFFSET(pass)),
        static_cast<std::int32_t>(PNG_PASS_START_COL(pass)),
        static_cast<std::int32_t>(PNG_PASS_COL_OFFSET(pass)), Pass_Columns(decoder, pass)};
}

int Read_PNG_Run(Png_Decoder* decoder, DTPixel* pixels) {
    const int result = Decode_Row(decoder->png, reinterpret_cast<png_bytep>(pixels));
    if (result != read_ok) {
        return result;
    }
    if (++decoder->pass_rows_done == Pass_Rows(*decoder, decoder->pass)) {
        if (decoder->interlaced) {
            Next_Pass(decoder);
        } else {
            decoder->pass = 7;
        }
    }
    return read_ok;
}

int Finish_PNG(Png_Decoder* decoder) {
    return Read_End(decoder->png, decoder->info);
}

Color_Transform PNG_Colour_Transform(const Png_Decoder& decoder, const std::string& name) {
    png_structp png = decoder.png;
    png_infop info = decoder.info;
    if (png_get_valid(png, info, PNG_INFO_sRGB) != 0) {
        return nullptr;
    }
    png_charp profile_name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profile_size = 0;
    if (png_get_iCCP(png, info, &profile_name, &compression, &profile, &profile_size) != 0) {
        return ICC_To_sRGB(profile, profile_size, Sample_Layout::rgb, name);
    }
    Described_Profile described;
    double file_gamma = 0;
    const bool has_gamma = png_get_gAMA(png, info, &file_gamma) != 0 && file_gamma > 0;
    const bool has_primaries =
        png_get_cHRM(png, info, &described.white_x, &described.white_y, &described.red_x,
                     &described.red_y, &described.green_x, &described.green_y, &described.blue_x,
                     &described.blue_y) != 0;
    // 1/2.2 is what writers put beside sRGB pixels; viewers show them as sRGB.
    const bool srgb_gamma = file_gamma > 0.4540 && file_gamma < 0.4560;
    if (!has_primaries && (!has_gamma || srgb_gamma)) {
        return nullptr;
    }
    if (has_gamma && !srgb_gamma) {
        described.curve = Described_Profile::Curve::gamma;
        described.gamma = 1 / file_gamma;
    }
    return Described_To_sRGB(described, name);
}
