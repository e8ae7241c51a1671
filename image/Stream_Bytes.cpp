#include "image/Stream_Bytes.h"

#include "core/Report.h"

#include <cerrno>
#include <cstring>

std::optional<std::vector<std::uint8_t>> Read_Stream_Bytes(std::FILE* file, const char* kind,
                                                           const std::string& name) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file)) {
        Report("Cannot read %s %s: %s.\n", kind, name.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    return bytes;
}
