#include "image/DTImage.h"

#include "app/File_Handle.h"
#include "app/Report.h"
#include "image/Image_Readers.h"

#include <cerrno>
#include <cinttypes>
#include <png.h>
#include <sys/stat.h>

DTImageType IdentifyImageType(const std::uint8_t header[8]) {
    if (png_sig_cmp(header, 0, 8) == 0) {
        return DTImageTypePNG;
    }
    if (header[0] == 'P' && header[1] == '6') {
        return DTImageTypePPM;
    }
    return DTImageTypeUnknown;
}

bool Image_Size_Allowed(std::int64_t width, std::int64_t height) {
    if (width >= 1 && height >= 1 && width <= max_image_side && height <= max_image_side) {
        return true;
    }
    Report("Image size %" PRId64 "x%" PRId64 " is outside 1 to %d pixels a side.\n", width, height,
           static_cast<int>(max_image_side));
    return false;
}

int ReadDataFromFile(DTImage* image, std::FILE* file, const std::uint8_t header[8],
                     std::uint64_t rest_size) {
    if (image->type == DTImageTypePNG) {
        return Read_PNG_Data(image, file, rest_size);
    }
    return Read_PPM_Data(image, file, header);
}

namespace {

// A PNG read from a pipe is taken in whole before decoding, up to this many
// bytes, so that its header can be weighed against what it really holds.
constexpr std::size_t max_piped_png = std::size_t{256} << 20;

// Bytes left in a regular file from its current position; none for a pipe,
// a terminal or a memory stream.
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

std::optional<DTImage> Create_Image(std::FILE* file, std::optional<std::uint64_t> size);

// The PNG of a stream of unknown length, from memory.
std::optional<DTImage> Create_Piped_PNG(std::FILE* file, const std::uint8_t header[8]) {
    std::vector<std::uint8_t> bytes(header, header + 8);
    if (!Read_Rest(file, max_piped_png, &bytes)) {
        Report("A piped PNG may hold at most %zu MiB.\n", max_piped_png >> 20);
        Report("Failed to read image content.\n");
        return std::nullopt;
    }
    File_Handle memory(fmemopen(bytes.data(), bytes.size(), "rb"));
    if (!memory) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return Create_Image(memory.get(), bytes.size());
}

// The image from a stream positioned at its first byte. `size` is what it
// holds from there when that is known.
std::optional<DTImage> Create_Image(std::FILE* file, std::optional<std::uint64_t> size) {
    std::uint8_t header[8];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) {
        Report("Failed to read image header.\n");
        return std::nullopt;
    }
    DTImage image;
    image.type = IdentifyImageType(header);
    if (image.type == DTImageTypeUnknown) {
        Report("Image file of unrecognized format.\n");
        return std::nullopt;
    }
    if (image.type == DTImageTypePNG && !size) {
        return Create_Piped_PNG(file, header);
    }
    // The PPM reader grows its image only as rows arrive and needs no size.
    const std::uint64_t rest = size && *size > sizeof header ? *size - sizeof header : 0;
    if (ReadDataFromFile(&image, file, header, rest) != read_ok) {
        Report("Failed to read image content.\n");
        return std::nullopt;
    }
    return image;
}

} // namespace

std::optional<DTImage> CreateImageFromStream(std::FILE* file) {
    return Create_Image(file, Remaining_Size(file));
}

std::optional<DTImage> CreateImageFromFile(const char* path) {
    const File_Handle file = Open_For_Reading(path);
    if (!file) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return CreateImageFromStream(file.get());
}

std::optional<DTImage> CreateImageFromMemory(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        // An empty buffer cannot back a stream; it holds no header either way.
        Report("Failed to read image header.\n");
        return std::nullopt;
    }
    // The stream only reads, so the buffer is never written through.
    File_Handle file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
    if (!file) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return Create_Image(file.get(), size);
}
