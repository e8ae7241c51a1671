#include "image/Image_Decoder.h"

#include "app/Report.h"
#include "image/Decode_Result.h"

#include <sys/stat.h>

namespace {

// A PNG read from a pipe is taken in whole before decoding, up to this many
// bytes, so that its header can be weighed against what it really holds.
constexpr std::size_t max_piped_png = std::size_t{256} << 20;

// Appends the rest of the stream; false if it holds more than the limit.
bool Read_Rest(std::FILE* file, std::size_t limit, std::vector<std::uint8_t>* bytes) {
    std::vector<std::uint8_t> chunk(65536);
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;) {
        if (bytes->size() + got > limit) {
            return false;
        }
        bytes->insert(bytes->end(), chunk.begin(), chunk.begin() + static_cast<long>(got));
    }
    return true;
}

bool Content_Read(int result) {
    if (result == read_ok) {
        return true;
    }
    Report("Failed to read image content.\n");
    return false;
}

// The PNG of a stream of unknown length, from memory.
bool Open_Piped_PNG(Image_Decoder* decoder, std::FILE* file, const std::uint8_t header[8]) {
    decoder->piped.assign(header, header + 8);
    if (!Read_Rest(file, max_piped_png, &decoder->piped)) {
        Report("A piped PNG may hold at most %zu MiB.\n", max_piped_png >> 20);
        Report("Failed to read image content.\n");
        return false;
    }
    decoder->piped_stream.reset(fmemopen(decoder->piped.data(), decoder->piped.size(), "rb"));
    if (!decoder->piped_stream) {
        Report_Errno("Could not open image file");
        return false;
    }
    std::fseek(decoder->piped_stream.get(), 8, SEEK_SET);
    return Content_Read(
        Open_PNG(&decoder->png, decoder->piped_stream.get(), decoder->piped.size() - 8));
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
    case DTImageTypePNG:
        opened = size ? Content_Read(Open_PNG(&decoder->png, file,
                                              *size > sizeof header ? *size - sizeof header : 0))
                      : Open_Piped_PNG(decoder, file, header);
        decoder->width = decoder->png.width;
        decoder->height = decoder->png.height;
        break;
    case DTImageTypePPM:
        // The PPM decoder reads row by row from any stream and needs no size.
        opened = Content_Read(Open_PPM(&decoder->ppm, file, header));
        decoder->width = decoder->ppm.width;
        decoder->height = decoder->ppm.height;
        break;
    case DTImageTypeJPEG: // read by the converter's own input path
    case DTImageTypeUnknown:
        Report("Image file of unrecognized format.\n");
        break;
    }
    return opened;
}

bool Read_Image_Row(Image_Decoder* decoder, DTPixel* row) {
    if (decoder->type == DTImageTypePNG) {
        return Content_Read(Read_PNG_Row(&decoder->png, row, decoder->kept_rows));
    }
    return Content_Read(Read_PPM_Row(&decoder->ppm, row));
}

bool Finish_Image_Decoder(Image_Decoder* decoder) {
    if (decoder->type == DTImageTypePNG) {
        return Content_Read(Finish_PNG(&decoder->png));
    }
    // Bytes after a PPM's raster are not looked at.
    return true;
}
