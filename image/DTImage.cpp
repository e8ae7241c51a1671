#include "image/DTImage.h"

#include "image/Image_Readers.h"

#include <cerrno>
#include <cinttypes>
#include <memory>
#include <png.h>
#include <sys/stat.h>

namespace {

struct File_Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File_Handle = std::unique_ptr<std::FILE, File_Closer>;

} // namespace

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
    std::fprintf(stderr, "Image size %" PRId64 "x%" PRId64 " is outside 1 to %d pixels a side.\n",
                 width, height, static_cast<int>(max_image_side));
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

// The image from a stream whose remaining length is known (`size` bytes from
// its current position), so that a header can be weighed against the file.
std::optional<DTImage> Create_Image(std::FILE* file, std::uint64_t size) {
    std::uint8_t header[8];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) {
        std::fputs("Failed to read image header.\n", stderr);
        return std::nullopt;
    }
    DTImage image;
    image.type = IdentifyImageType(header);
    if (image.type == DTImageTypeUnknown) {
        std::fputs("Image file of unrecognized format.\n", stderr);
        return std::nullopt;
    }
    if (ReadDataFromFile(&image, file, header, size > sizeof header ? size - sizeof header : 0) !=
        read_ok) {
        std::fputs("Failed to read image content.\n", stderr);
        return std::nullopt;
    }
    return image;
}

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

std::vector<std::uint8_t> Read_Rest(std::FILE* file) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

bool Is_Folder(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::optional<DTImage> CreateImageFromStream(std::FILE* file) {
    if (const std::optional<std::uint64_t> size = Remaining_Size(file)) {
        return Create_Image(file, *size);
    }
    // A stream of unknown length is taken in whole first, so that its
    // header can be weighed against what it really holds.
    const std::vector<std::uint8_t> bytes = Read_Rest(file);
    return CreateImageFromMemory(bytes.data(), bytes.size());
}

std::optional<DTImage> CreateImageFromFile(const char* path) {
    File_Handle file(std::fopen(path, "rb"));
    if (file && Is_Folder(file.get())) {
        file.reset();
        errno = EISDIR;
    }
    if (!file) {
        std::perror("Could not open image file");
        return std::nullopt;
    }
    return CreateImageFromStream(file.get());
}

std::optional<DTImage> CreateImageFromMemory(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        // An empty buffer cannot back a stream; it holds no header either way.
        std::fputs("Failed to read image header.\n", stderr);
        return std::nullopt;
    }
    // The stream only reads, so the buffer is never written through.
    File_Handle file(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
    if (!file) {
        std::perror("Could not open image file");
        return std::nullopt;
    }
    return Create_Image(file.get(), size);
}
