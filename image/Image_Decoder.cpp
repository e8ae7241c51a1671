#include "image/Image_Decoder.h"

#include "core/Report.h"
#include "image/Image_File.h"

#include <sys/stat.h>

namespace {

bool Content_Read(int result) {
    if (result == read_ok) {
        return true;
    }
    Report("Failed to read image content.\n");
    return false;
}

} // namespace

std::optional<std::uint64_t> Remaining_Size(std::FILE* file) {
    struct stat info {};
    const int fd = fileno(file);
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const long at = std::ftell(file);
    if (at < 0 || at > info.st_size) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size - at);
}

bool Open_Image_Decoder(Image_Decoder* decoder, std::FILE* file,
                        std::optional<std::uint64_t> size) {
    std::uint8_t header[8];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) {
        Report("Failed to read image header.\n");
        return false;
    }
    decoder->type = IdentifyImageType(header);
    bool opened = false;
    switch (decoder->type) {
    case DTImageTypePNG: {
        // Of a stream of unknown length (a pipe) the size is weighed later.
        std::optional<std::uint64_t> rest;
        if (size) {
            rest = *size > sizeof header ? *size - sizeof header : 0;
        }
        opened = Content_Read(Open_PNG(&decoder->png, file, rest));
        decoder->width = decoder->png.width;
        decoder->height = decoder->png.height;
        break;
    }
    case DTImageTypePPM:
        // The PPM decoder reads row by row from any stream and needs no size.
        opened = Content_Read(Open_PPM(&decoder->ppm, file, header));
        decoder->width = decoder->ppm.width;
        decoder->height = decoder->ppm.height;
        break;
    default: // the converter's own input path reads the other formats
        Report("Image file of unrecognized format.\n");
        break;
    }
    return opened;
}

std::optional<Pixel_Run> Next_Image_Run(const Image_Decoder& decoder) {
    if (decoder.type == DTImageTypePNG) {
        return Next_PNG_Run(decoder.png);
    }
    if (decoder.ppm.rows_done == decoder.height) {
        return std::nullopt;
    }
    return Pixel_Run{decoder.ppm.rows_done, 0, 1, decoder.width};
}

bool Read_Image_Run(Image_Decoder* decoder, DTPixel* pixels) {
    if (decoder->type == DTImageTypePNG) {
        return Content_Read(Read_PNG_Run(&decoder->png, pixels));
    }
    return Content_Read(Read_PPM_Row(&decoder->ppm, pixels));
}

Color_Transform Image_Colour_Transform(const Image_Decoder& decoder, const std::string& name) {
    return decoder.type == DTImageTypePNG ? PNG_Colour_Transform(decoder.png, name) : nullptr;
}

bool Finish_Image_Decoder(Image_Decoder* decoder) {
    if (decoder->type == DTImageTypePNG) {
        return Content_Read(Finish_PNG(&decoder->png));
    }
    // Bytes after a PPM's raster are not looked at.
    return true;
}
