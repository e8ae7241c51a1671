// Any file through the MQ4 reader: a picture whose indices and colours are in
// range and that saves back to the bytes it came from, or a refusal.

#include "io/MQ4_File.h"

#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The reader takes a path, so the bytes go into a file that lives in memory.
std::string Memory_File_Path() {
    static const int fd = memfd_create("mq4", 0);
    if (fd < 0) {
        std::abort();
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void Check_Picture(const std::uint8_t* data, std::size_t size, const MQ4_Document& picture) {
    Check(size >= mq4_file_size);
    for (std::uint8_t index : picture.pixels) {
        Check(index < palette_size);
    }
    const MQ4_Bytes saved = Encode_MQ4(picture);
    for (int i = 0; i < palette_size; ++i) {
        Check((picture.palette_rgb[i] & ~0xF8F8F8) == 0);
        Check(picture.palette_rgb[i] == Decode_555(picture.palette_555[i]));
        // Saving sets the flag bit and keeps the colour bits.
        const std::size_t at = mq4_palette_offset + 2 * i;
        Check(saved[at] == (data[at] | 0x80) && saved[at + 1] == data[at + 1]);
    }
    for (std::size_t k = mq4_pixel_offset; k < mq4_file_size; ++k) {
        Check(saved[k] == data[k]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = Memory_File_Path();
    const int fd = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    MQ4_Document picture;
    if (Read_MQ4_File(path, &picture)) {
        Check(picture.document_name == path);
        Check_Picture(data, size, picture);
    } else {
        Check(size < mq4_file_size && !picture.document_name);
    }
    return 0;
}
