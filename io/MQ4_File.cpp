#include "io/MQ4_File.h"

#include "core/File_Handle.h"
#include "core/Picture_Rules.h"
#include "core/Report.h"
#include "io/Safe_Write.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::array<std::uint8_t, 10> header_start = {0x12, 0xFF, 0x90, 0, 0, 0, 0, 0, 0, 0x01};

} // namespace

MQ4_Bytes Encode_MQ4(const MQ4_Document& doc) {
    MQ4_Bytes bytes{};
    std::copy(header_start.begin(), header_start.end(), bytes.begin());
    for (int i = 0; i < palette_size; ++i) {
        const std::uint16_t word = Encode_555(Color_Word(doc.palette[i]));
        bytes[mq4_palette_offset + 2 * i] = static_cast<std::uint8_t>(word >> 8);
        bytes[mq4_palette_offset + 2 * i + 1] = static_cast<std::uint8_t>(word & 0xFF);
    }
    for (int k = 0; k < picture_pixels / 2; ++k) {
        // Masked so that a stray index could never spill into its neighbour.
        const unsigned left = doc.pixels[2 * k] & 0x0Fu;
        const unsigned right = doc.pixels[2 * k + 1] & 0x0Fu;
        bytes[mq4_pixel_offset + k] = static_cast<std::uint8_t>((left << 4) | right);
    }
    return bytes;
}

std::int32_t Decode_555(std::uint16_t word) {
    return (((word & 0x7C00) >> 7) << 16) + (((word & 0x03E0) >> 2) << 8) + ((word & 0x001F) << 3);
}

void Decode_MQ4(const MQ4_Bytes& bytes, MQ4_Document* doc) {
    for (int i = 0; i < palette_size; ++i) {
        const std::uint16_t word = static_cast<std::uint16_t>(
            (bytes[mq4_palette_offset + 2 * i] << 8) | bytes[mq4_palette_offset + 2 * i + 1]);
        doc->palette[i] = Split_Color(Decode_555(word));
    }
    for (int k = 0; k < picture_pixels / 2; ++k) {
        const std::uint8_t byte = bytes[mq4_pixel_offset + k];
        doc->pixels[2 * k] = byte >> 4;
        doc->pixels[2 * k + 1] = byte & 0x0F;
    }
}

bool Is_MQ4_Signature(const std::uint8_t* bytes, std::size_t size) {
    return size >= 3 && std::equal(header_start.begin(), header_start.begin() + 3, bytes);
}

bool Read_MQ4_Stream(std::FILE* file, const std::string& name, MQ4_Document* doc) {
    MQ4_Bytes bytes{};
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    if (got < bytes.size() && std::ferror(file)) {
        Report("Could not read MQ4 file: %s\n", std::strerror(errno));
        return false;
    }
    if (got < bytes.size()) {
        Report("%s is too short to be an MQ4 picture (%zu of %zu bytes)\n", name.c_str(), got,
               mq4_file_size);
        return false;
    }
    MQ4_Document read;
    Decode_MQ4(bytes, &read);
    *doc = std::move(read);
    return true;
}

bool Read_MQ4_File(const std::string& path, MQ4_Document* doc) {
    const File_Handle file = Open_For_Reading(path.c_str());
    if (!file) {
        Report("Could not open MQ4 file: %s\n", std::strerror(errno));
        return false;
    }
    MQ4_Document read;
    if (!Read_MQ4_Stream(file.get(), path, &read)) {
        return false;
    }
    read.document_name = path;
    read.file_title = Title_From_Path(path);
    *doc = std::move(read);
    return true;
}

bool Write_MQ4_File(const std::string& path, const MQ4_Document& doc) {
    const MQ4_Bytes bytes = Encode_MQ4(doc);
    std::string reason;
    if (!Write_File_Safely(path, bytes.data(), bytes.size(), &reason)) {
        Report("Could not save %s: %s\n", path.c_str(), reason.c_str());
        return false;
    }
    return true;
}
