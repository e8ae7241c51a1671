#include "support/Test_JPEG.h"

#include "support/Temp_Dir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

const DTPixel quadrant_colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

namespace {

// Ink values for a colour, as stored in a plain CMYK file (255: full ink).
std::vector<JSAMPLE> Cmyk_Row(const DTPixel* pixels, int width, bool inverted) {
    std::vector<JSAMPLE> row;
    for (int x = 0; x < width; ++x) {
        const DTPixel p = pixels[x];
        const int light = std::max({p.r, p.g, p.b});
        const int channels[3] = {p.r, p.g, p.b};
        std::uint8_t ink[4];
        for (int c = 0; c < 3; ++c) {
            const int through = light == 0 ? 0 : (channels[c] * 255 + light / 2) / light;
            ink[c] = static_cast<std::uint8_t>(255 - through);
        }
        ink[3] = static_cast<std::uint8_t>(255 - light);
        for (std::uint8_t value : ink) {
            row.push_back(inverted ? static_cast<JSAMPLE>(255 - value) : value);
        }
    }
    return row;
}

std::vector<JSAMPLE> Row_Of(const Test_JPEG& jpeg, int y) {
    const DTPixel* pixels = &jpeg.pixels[static_cast<std::size_t>(y) * jpeg.width];
    std::vector<JSAMPLE> row;
    switch (jpeg.kind) {
    case Jpeg_Kind::colour:
        for (int x = 0; x < jpeg.width; ++x) {
            row.insert(row.end(), {pixels[x].r, pixels[x].g, pixels[x].b});
        }
        return row;
    case Jpeg_Kind::grey:
        for (int x = 0; x < jpeg.width; ++x) {
            row.push_back(pixels[x].r);
        }
        return row;
    case Jpeg_Kind::cmyk:
    case Jpeg_Kind::adobe_cmyk:
        return Cmyk_Row(pixels, jpeg.width, jpeg.kind == Jpeg_Kind::adobe_cmyk);
    }
    return row;
}

void Put_Short(std::vector<std::uint8_t>* out, unsigned value, bool little) {
    if (little) {
        out->insert(out->end(),
                    {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
    } else {
        out->insert(out->end(),
                    {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
    }
}

void Put_Long(std::vector<std::uint8_t>* out, unsigned value, bool little) {
    if (little) {
        Put_Short(out, value & 0xFFFF, true);
        Put_Short(out, value >> 16, true);
    } else {
        Put_Short(out, value >> 16, false);
        Put_Short(out, value & 0xFFFF, false);
    }
}

} // namespace

std::vector<DTPixel> Quadrants(int width, int height) {
    std::vector<DTPixel> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(
                quadrant_colours[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)]);
        }
    }
    return pixels;
}

std::vector<std::uint8_t> Exif_Block(int orientation, bool little) {
    std::vector<std::uint8_t> block{'E', 'x', 'i', 'f', 0, 0};
    const std::uint8_t byte_order = little ? 'I' : 'M';
    block.push_back(byte_order);
    block.push_back(byte_order);
    Put_Short(&block, 42, little);
    Put_Long(&block, 8, little);       // the first IFD right after the header
    Put_Short(&block, 1, little);      // one entry
    Put_Short(&block, 0x0112, little); // orientation
    Put_Short(&block, 3, little);      // SHORT
    Put_Long(&block, 1, little);       // one value, held in the entry
    Put_Short(&block, static_cast<unsigned>(orientation), little);
    Put_Short(&block, 0, little);
    Put_Long(&block, 0, little); // no next IFD
    return block;
}

std::vector<std::uint8_t> Encode_Test_JPEG(const Test_JPEG& jpeg) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(jpeg.width);
    info.image_height = static_cast<JDIMENSION>(jpeg.height);
    const bool cmyk = jpeg.kind == Jpeg_Kind::cmyk || jpeg.kind == Jpeg_Kind::adobe_cmyk;
    info.input_components = jpeg.kind == Jpeg_Kind::grey ? 1 : cmyk ? 4 : 3;
    info.in_color_space = jpeg.kind == Jpeg_Kind::grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (cmyk) {
        jpeg_set_colorspace(&info, JCS_CMYK);
        info.write_Adobe_marker = jpeg.kind == Jpeg_Kind::adobe_cmyk;
    }
    if (jpeg.full_chroma || cmyk) {
        for (int c = 0; c < info.num_components; ++c) {
            info.comp_info[c].h_samp_factor = 1;
            info.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_set_quality(&info, jpeg.quality, TRUE);
    if (jpeg.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    if (jpeg.orientation != 0) {
        const std::vector<std::uint8_t> exif =
            Exif_Block(jpeg.orientation, jpeg.little_endian_exif);
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    if (!jpeg.icc.empty()) {
        jpeg_write_icc_profile(&info, jpeg.icc.data(), static_cast<unsigned>(jpeg.icc.size()));
    }
    for (int y = 0; y < jpeg.height; ++y) {
        std::vector<JSAMPLE> row = Row_Of(jpeg, y);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

void Write_Test_JPEG(const std::string& path, const Test_JPEG& jpeg) {
    Write_Bytes(path, Encode_Test_JPEG(jpeg));
}
