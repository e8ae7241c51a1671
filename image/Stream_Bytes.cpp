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

std::string Library_Reason(const char* message) {
    std::string reason = message ? message : "";
    for (char& c : reason) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason.empty() ? "its data is damaged" : reason;
}
