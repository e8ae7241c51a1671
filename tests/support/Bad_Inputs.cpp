#include "support/Bad_Inputs.h"

#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <sys/stat.h>

namespace {

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void Put_Be32(std::vector<std::uint8_t>* bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        (*bytes)[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

// IHDR: length at 8, type at 12, width at 16, height at 20, CRC at 29.
constexpr std::size_t ihdr_type = 12;
constexpr std::size_t ihdr_crc = 29;

std::vector<std::uint8_t> Picture_PNG(bool interlaced) {
    const DTImage image = Pattern_Image(128, 96, 5);
    Test_PNG png;
    png.width = 128;
    png.height = 96;
    png.interlaced = interlaced;
    for (const DTPixel& p : image.pixels) {
        png.samples.insert(png.samples.end(), {p.r, p.g, p.b});
    }
    return Encode_Test_PNG(png);
}

std::vector<std::uint8_t> Random_Bytes(std::size_t size) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t state = 2024;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes.push_back(static_cast<std::uint8_t>(state >> 24));
    }
    return bytes;
}

std::vector<std::uint8_t> Text_Bytes(const std::string& text, std::size_t raster = 0) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.resize(bytes.size() + raster, 0x40);
    return bytes;
}

const std::string content_failure = "Failed to read image content.\n";

} // namespace

std::vector<std::uint8_t> With_PNG_Size(std::vector<std::uint8_t> png, std::uint32_t width,
                                        std::uint32_t height) {
    Put_Be32(&png, 16, width);
    Put_Be32(&png, 20, height);
    Put_Be32(&png, ihdr_crc, Crc32(png.data() + ihdr_type, ihdr_crc - ihdr_type));
    return png;
}

std::vector<Bad_Input> Bad_Image_Inputs() {
    const std::vector<std::uint8_t> good = Picture_PNG(false);
    std::vector<std::uint8_t> bad_crc = good;
    bad_crc[ihdr_crc + 3] ^= 0x01;
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    const std::vector<std::uint8_t> huge = With_PNG_Size(good, 100000, 100000);
    const std::vector<std::uint8_t> lying = With_PNG_Size(Picture_PNG(true), 16000, 16000);
    Test_PNG small;
    small.width = 64;
    small.height = 48;
    small.samples.assign(64 * 48 * 3, 77);

    return {
        {"empty file", "empty.png", Entry_Kind::file, {}, "Failed to read image header.\n"},
        {"7 bytes", "seven.png", Entry_Kind::file,
         std::vector<std::uint8_t>(good.begin(), good.begin() + 7),
         "Failed to read image header.\n"},
        {"random bytes", "noise.png", Entry_Kind::file, Random_Bytes(5000),
         "Image file of unrecognized format.\n"},
        {"PNG with a bad CRC", "crc.png", Entry_Kind::file, bad_crc,
         "libpng error: IHDR: CRC error\n" + content_failure},
        {"truncated PNG", "half.png", Entry_Kind::file, truncated,
         "libpng error: Read Error\n" + content_failure},
        {"PNG claiming 100000x100000", "huge.png", Entry_Kind::file, huge,
         "Image size 100000x100000 is outside 1 to 16384 pixels a side.\n" + content_failure},
        {"interlaced PNG claiming 16000x16000", "lying.png", Entry_Kind::file, lying,
         "A PNG file of " + std::to_string(lying.size()) +
             " bytes cannot hold a 16000x16000 image.\n" + content_failure},
        {"PNG smaller than a picture", "small.png", Entry_Kind::file, Encode_Test_PNG(small),
         "Image 64x48 is smaller than 128x96 (3072 of 12288 pixels).\n"},
        {"PPM of width 0", "zero.ppm", Entry_Kind::file, Text_Bytes("P6\n0 96\n255\n", 100),
         "Image size 0x96 is outside 1 to 16384 pixels a side.\n" + content_failure},
        {"PPM of height 0", "flat.ppm", Entry_Kind::file, Text_Bytes("P6 128 0 255\n"),
         "Image size 128x0 is outside 1 to 16384 pixels a side.\n" + content_failure},
        {"PPM of negative width", "negative.ppm", Entry_Kind::file,
         Text_Bytes("P6\n-128 96\n255\n", 36864), "Malformed PPM header.\n" + content_failure},
        {"PPM with maxval 0", "max0.ppm", Entry_Kind::file, Text_Bytes("P6\n128 96\n0\n", 36864),
         "PPM maximum value 0 is outside 1 to 65535.\n" + content_failure},
        {"PPM with maxval 70000", "max70000.ppm", Entry_Kind::file,
         Text_Bytes("P6\n128 96\n70000\n", 73728),
         "PPM maximum value 70000 is outside 1 to 65535.\n" + content_failure},
        {"PPM with a short raster", "short.ppm", Entry_Kind::file,
         Text_Bytes("P6\n128 96\n255\n", 36863),
         "PPM raster is shorter than its header promises.\n" + content_failure},
        {"a folder",
         "folder.png",
         Entry_Kind::folder,
         {},
         "Could not open image file: Is a directory\n"},
        {"a missing file",
         "missing.png",
         Entry_Kind::missing,
         {},
         "Could not open image file: No such file or directory\n"},
    };
}

std::vector<Bad_Input> Bad_MQ4_Inputs() {
    return {
        {"empty MQ4",
         "empty.MQ4",
         Entry_Kind::file,
         {},
         "{path} is too short to be an MQ4 picture (0 of 6657 bytes)\n"},
        {"MQ4 one byte short", "short.MQ4", Entry_Kind::file, std::vector<std::uint8_t>(6656, 0x11),
         "{path} is too short to be an MQ4 picture (6656 of 6657 bytes)\n"},
        {"MQ4 of 7000 bytes", "long.MQ4", Entry_Kind::file, std::vector<std::uint8_t>(7000, 0x23),
         "", true},
        {"MQ4 folder",
         "folder.MQ4",
         Entry_Kind::folder,
         {},
         "Could not open MQ4 file: Is a directory\n"},
        {"missing MQ4",
         "missing.MQ4",
         Entry_Kind::missing,
         {},
         "Could not open MQ4 file: No such file or directory\n"},
    };
}

void Create_Bad_Input(const Bad_Input& input, const std::string& path) {
    switch (input.kind) {
    case Entry_Kind::file:
        Write_Bytes(path, input.bytes);
        break;
    case Entry_Kind::folder:
        mkdir(path.c_str(), 0755);
        break;
    case Entry_Kind::missing:
        break;
    }
}

std::string Expected_Message(const Bad_Input& input, const std::string& path) {
    std::string message = input.message;
    const std::string marker = "{path}";
    for (std::size_t at = message.find(marker); at != std::string::npos;
         at = message.find(marker, at + path.size())) {
        message.replace(at, marker.size(), path);
    }
    return message;
}
