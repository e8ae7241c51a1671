// Raw PPM ("P6") reading. The header may hold '#' comments wherever
// whitespace may stand; samples are one byte for a maximum value up to 255 and
// two (most significant first) above, rescaled to 0..255 unless the maximum
// is 255.

#include "app/Report.h"
#include "image/Image_Readers.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <vector>

namespace {

constexpr std::int64_t number_cap = 1'000'000'000;

// The file's bytes after "P6": the rest of the 8 already read, then the
// stream, with room to put one byte back. Works on streams that cannot seek.
struct Byte_Source {
    const std::uint8_t* head;
    std::size_t head_left;
    std::FILE* file;
    int pushed = EOF;

    int Get() {
        if (pushed != EOF) {
            const int c = pushed;
            pushed = EOF;
            return c;
        }
        if (head_left > 0) {
            --head_left;
            return *head++;
        }
        return std::getc(file);
    }
    void Unget(int c) { pushed = c; }
    // Fills the buffer; false if the bytes run out first.
    bool Read(std::uint8_t* out, std::size_t size) {
        std::size_t got = 0;
        while (got < size && (pushed != EOF || head_left > 0)) {
            out[got++] = static_cast<std::uint8_t>(Get());
        }
        return std::fread(out + got, 1, size - got, file) == size - got;
    }
};

bool Is_Space(int c) {
    return c != EOF && std::isspace(static_cast<unsigned char>(c));
}

// Consumes a comment whose '#' has been read, up to and including its line
// end. False when the file ends first.
bool Skip_Comment(Byte_Source* in) {
    for (;;) {
        const int c = in->Get();
        if (c == EOF) {
            return false;
        }
        if (c == '\n' || c == '\r') {
            return true;
        }
    }
}

bool Skip_Space_And_Comments(Byte_Source* in) {
    for (;;) {
        const int c = in->Get();
        if (c == '#') {
            if (!Skip_Comment(in)) {
                return false;
            }
        } else if (!Is_Space(c)) {
            if (c != EOF) {
                in->Unget(c);
            }
            return true;
        }
    }
}

// A decimal number after optional whitespace and comments; absurdly large
// values stick at number_cap, which every limit refuses.
bool Read_Number(Byte_Source* in, std::int64_t* value) {
    if (!Skip_Space_And_Comments(in)) {
        return false;
    }
    int c = in->Get();
    if (c == EOF || !std::isdigit(c)) {
        return false;
    }
    std::int64_t number = 0;
    while (c != EOF && std::isdigit(c)) {
        number = std::min(number * 10 + (c - '0'), number_cap);
        c = in->Get();
    }
    if (c != EOF) {
        in->Unget(c);
    }
    *value = number;
    return true;
}

// The single whitespace character before the raster, or a comment with its
// line end in its place.
bool Read_Raster_Separator(Byte_Source* in) {
    const int c = in->Get();
    if (c == '#') {
        return Skip_Comment(in);
    }
    return Is_Space(c);
}

struct Ppm_Header {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t maxval = 0;
};

int Read_Header(Byte_Source* in, Ppm_Header* header) {
    if (!Read_Number(in, &header->width) || !Read_Number(in, &header->height) ||
        !Read_Number(in, &header->maxval) || !Read_Raster_Separator(in)) {
        Report("Malformed PPM header.\n");
        return read_bad_header;
    }
    if (!Image_Size_Allowed(header->width, header->height)) {
        return read_bad_header;
    }
    if (header->maxval < 1 || header->maxval > 65535) {
        Report("PPM maximum value %lld is outside 1 to 65535.\n",
               static_cast<long long>(header->maxval));
        return read_bad_header;
    }
    return read_ok;
}

// Turns one raw row into pixels; false (after saying why) on a sample above
// the maximum value.
bool Decode_Row(const std::vector<std::uint8_t>& raw, int maxval, DTPixel* out, std::size_t width) {
    const bool wide = maxval > 255;
    std::uint8_t* channel = reinterpret_cast<std::uint8_t*>(out);
    for (std::size_t i = 0; i < width * 3; ++i) {
        const int v = wide ? (raw[2 * i] << 8) | raw[2 * i + 1] : raw[i];
        if (v > maxval) {
            Report("PPM sample %d exceeds the maximum value %d.\n", v, maxval);
            return false;
        }
        channel[i] = static_cast<std::uint8_t>(maxval == 255 ? v : (v * 255 + maxval / 2) / maxval);
    }
    return true;
}

int Read_Raster(Byte_Source* in, DTImage* image, int maxval) {
    const std::size_t width = static_cast<std::size_t>(image->width);
    const std::size_t height = static_cast<std::size_t>(image->height);
    std::vector<std::uint8_t> raw(width * 3 * (maxval > 255 ? 2 : 1));
    // Rows are added as they arrive, so a file that promises more than it
    // holds costs no more memory than it brings.
    for (std::size_t row = 0; row < height; ++row) {
        if (!in->Read(raw.data(), raw.size())) {
            Report("PPM raster is shorter than its header promises.\n");
            return read_bad_raster;
        }
        image->pixels.resize((row + 1) * width);
        if (!Decode_Row(raw, maxval, image->pixels.data() + row * width, width)) {
            return read_bad_raster;
        }
    }
    return read_ok;
}

} // namespace

int Read_PPM_Data(DTImage* image, std::FILE* file, const std::uint8_t header_bytes[8]) {
    Byte_Source in{header_bytes + 2, 6, file};
    Ppm_Header header;
    const int header_result = Read_Header(&in, &header);
    if (header_result != read_ok) {
        return header_result;
    }
    image->width = static_cast<std::int32_t>(header.width);
    image->height = static_cast<std::int32_t>(header.height);
    image->pixelCount = static_cast<std::uint64_t>(header.width * header.height);
    try {
        return Read_Raster(&in, image, static_cast<int>(header.maxval));
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", image->width, image->height);
        return read_no_memory;
    }
}
