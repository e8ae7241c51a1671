#include "image/JPEG_Reader.h"

#include "core/Report.h"
#include "image/Image_Size.h"
#include "image/Orientation.h"

#include <csetjmp>
#include <cstdlib>
#include <jerror.h>
#include <jpeglib.h>
#include <vector>

namespace {

// libjpeg's error manager first, so that the manager's address is the
// record's: the handlers below get only the manager.
struct Jpeg_Error {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Leave_On_Error(j_common_ptr info) {
    auto* error = reinterpret_cast<Jpeg_Error*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings (level -1) are errors here; trace messages are dropped.
void Leave_On_Warning(j_common_ptr info, int level) {
    if (level < 0) {
        Leave_On_Error(info);
    }
}

} // namespace

struct Jpeg_Decoder {
    jpeg_decompress_struct info;
    Jpeg_Error error;
    bool created = false;
    std::string name;
    // One decoded row of 3 (RGB) or 4 (CMYK) samples a pixel.
    std::vector<JSAMPLE> row;
    int components = 3;
    // Adobe's files store CMYK inverted: 255 is no ink.
    bool inverted = false;
    // The DCT coefficients a multi-scan file keeps while it is decoded.
    std::size_t coefficient_bytes = 0;
    // For CMYK samples under a CMYK profile.
    Color_Transform cmyk_transform;
};

void Jpeg_Decoder_Deleter::operator()(Jpeg_Decoder* decoder) const {
    if (decoder->created) {
        jpeg_destroy_decompress(&decoder->info);
    }
    delete decoder;
}

namespace {

void Report_Failure(const Jpeg_Decoder& decoder, const char* reason) {
    Report("Cannot read JPEG %s: %s.\n", decoder.name.c_str(), reason);
}

void Report_Library_Error(const Jpeg_Decoder& decoder) {
    const int code = decoder.error.manager.msg_code;
    if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY) {
        Report("Cannot read JPEG %s: it needs more than the %ld MiB it may take.\n",
               decoder.name.c_str(), jpeg_memory_limit >> 20);
        return;
    }
    Report_Failure(decoder, decoder.error.message);
}

bool Guarded_Read_Header(Jpeg_Decoder* d, std::FILE* file) {
    if (setjmp(d->error.jump)) {
        return false;
    }
    d->info.err = jpeg_std_error(&d->error.manager);
    d->error.manager.error_exit = Leave_On_Error;
    d->error.manager.emit_message = Leave_On_Warning;
    d->created = true;
    jpeg_create_decompress(&d->info);
    d->info.mem->max_memory_to_use = jpeg_memory_limit;
    jpeg_stdio_src(&d->info, file);
    jpeg_save_markers(&d->info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d->info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d->info, TRUE);
    return true;
}

// The ICC profile spread over APP2 markers. libjpeg warns (which leaves here
// as an error) when the pieces do not fit together.
bool Guarded_Read_ICC(Jpeg_Decoder* d, JOCTET** data, unsigned int* size) {
    if (setjmp(d->error.jump)) {
        return false;
    }
    jpeg_read_icc_profile(&d->info, data, size);
    return true;
}

std::vector<std::uint8_t> ICC_Of(Jpeg_Decoder* d) {
    JOCTET* data = nullptr;
    unsigned int size = 0;
    if (!Guarded_Read_ICC(d, &data, &size)) {
        Warn_Unreadable_Profile(d->name);
    }
    std::vector<std::uint8_t> icc(data, data + size);
    std::free(data);
    return icc;
}

int Orientation_Of(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1) {
            const int orientation = Exif_Orientation(marker->data, marker->data_length);
            if (orientation != 1) {
                return orientation;
            }
        }
    }
    return 1;
}

std::size_t Rounded_Up(std::size_t value, std::size_t step) {
    return (value + step - 1) / step * step;
}

// Picks the output colour space and the smallest scale that is large enough.
bool Guarded_Prepare(Jpeg_Decoder* d, int min_width, int min_height) {
    if (setjmp(d->error.jump)) {
        return false;
    }
    jpeg_decompress_struct& info = d->info;
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        info.out_color_space = JCS_CMYK;
        d->components = 4;
        d->inverted = info.saw_Adobe_marker;
    } else {
        info.out_color_space = JCS_RGB;
        d->components = 3;
    }
    info.scale_denom = 8;
    for (unsigned int num = 1; num <= 8; ++num) {
        info.scale_num = num;
        jpeg_calc_output_dimensions(&info);
        if (static_cast<int>(info.output_width) >= min_width &&
            static_cast<int>(info.output_height) >= min_height) {
            break;
        }
    }
    if (jpeg_has_multiple_scans(&info)) {
        for (int c = 0; c < info.num_components; ++c) {
            const jpeg_component_info& component = info.comp_info[c];
            d->coefficient_bytes +=
                Rounded_Up(component.width_in_blocks, component.h_samp_factor) *
                Rounded_Up(component.height_in_blocks, component.v_samp_factor) * sizeof(JBLOCK);
        }
    }
    return true;
}

bool Guarded_Start(Jpeg_Decoder* d) {
    if (setjmp(d->error.jump)) {
        return false;
    }
    jpeg_start_decompress(&d->info);
    return true;
}

bool Guarded_Read_Row(Jpeg_Decoder* d) {
    if (setjmp(d->error.jump)) {
        return false;
    }
    JSAMPROW row = d->row.data();
    return jpeg_read_scanlines(&d->info, &row, 1) == 1;
}

bool Guarded_Finish(Jpeg_Decoder* d) {
    if (setjmp(d->error.jump)) {
        return false;
    }
    jpeg_finish_decompress(&d->info);
    return true;
}

std::uint8_t Ink_Mix(int colour, int black) {
    return static_cast<std::uint8_t>((colour * black + 127) / 255);
}

} // namespace

bool Is_JPEG_Signature(const std::uint8_t* bytes, std::size_t size) {
    return size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

Jpeg_Handle Open_JPEG(std::FILE* file, const std::string& name, Jpeg_Header* header) {
    Jpeg_Handle decoder(new Jpeg_Decoder{});
    decoder->name = name;
    if (!Guarded_Read_Header(decoder.get(), file)) {
        Report_Library_Error(*decoder);
        return nullptr;
    }
    const jpeg_decompress_struct& info = decoder->info;
    if (!Image_Size_Allowed("JPEG", name, info.image_width, info.image_height)) {
        return nullptr;
    }
    header->width = static_cast<int>(info.image_width);
    header->height = static_cast<int>(info.image_height);
    header->orientation = Orientation_Of(info);
    header->icc = ICC_Of(decoder.get());
    header->cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    header->inverted = header->cmyk && info.saw_Adobe_marker;
    return decoder;
}

void Set_JPEG_CMYK_Transform(Jpeg_Decoder* decoder, Color_Transform transform) {
    decoder->cmyk_transform = std::move(transform);
}

bool Start_JPEG(Jpeg_Decoder* decoder, int min_width, int min_height, int* width, int* height) {
    if (!Guarded_Prepare(decoder, min_width, min_height)) {
        Report_Library_Error(*decoder);
        return false;
    }
    if (decoder->coefficient_bytes > static_cast<std::size_t>(jpeg_memory_limit)) {
        Report("Cannot read JPEG %s: as a progressive file of %ux%u it needs %zu MiB to "
               "decode, more than the %ld MiB it may take.\n",
               decoder->name.c_str(), decoder->info.image_width, decoder->info.image_height,
               (decoder->coefficient_bytes + (1 << 20) - 1) >> 20, jpeg_memory_limit >> 20);
        return false;
    }
    if (!Guarded_Start(decoder)) {
        Report_Library_Error(*decoder);
        return false;
    }
    decoder->row.resize(static_cast<std::size_t>(decoder->info.output_width) * decoder->components);
    *width = static_cast<int>(decoder->info.output_width);
    *height = static_cast<int>(decoder->info.output_height);
    return true;
}

bool Read_JPEG_Row(Jpeg_Decoder* decoder, DTPixel* row) {
    if (!Guarded_Read_Row(decoder)) {
        Report_Library_Error(*decoder);
        return false;
    }
    if (!row) {
        return true;
    }
    const std::size_t width = decoder->info.output_width;
    const JSAMPLE* samples = decoder->row.data();
    if (decoder->components == 3) {
        for (std::size_t x = 0; x < width; ++x) {
            row[x] = {samples[3 * x], samples[3 * x + 1], samples[3 * x + 2]};
        }
        return true;
    }
    if (decoder->cmyk_transform) {
        Convert_CMYK_Row(decoder->cmyk_transform, samples, row, width);
        return true;
    }
    for (std::size_t x = 0; x < width; ++x) {
        // The light each ink lets through: cyan takes from red, magenta from
        // green, yellow from blue, and black from all three.
        int light[4];
        for (int c = 0; c < 4; ++c) {
            const int value = samples[4 * x + c];
            light[c] = decoder->inverted ? value : 255 - value;
        }
        row[x] = {Ink_Mix(light[0], light[3]), Ink_Mix(light[1], light[3]),
                  Ink_Mix(light[2], light[3])};
    }
    return true;
}

bool Finish_JPEG(Jpeg_Decoder* decoder) {
    if (!Guarded_Finish(decoder)) {
        Report_Library_Error(*decoder);
        return false;
    }
    return true;
}
