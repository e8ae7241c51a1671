// Raw PPM ("P6") decoding, one row at a time.

#include "core/Report.h"
#include "image/Decode_Result.h"
#include "image/Image_Size.h"
#include "image/PPM_Decoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

int Ppm_Bytes::Get() {
    if (pushed != EOF) {
        const int c = pushed;
        pushed = EOF;
        return c;
    }
    if (head_at < sizeof head) {
        return head[head_at++];
    }
    return std::getc(file);
}

bool Ppm_Bytes::Read(std::uint8_t* out, std::size_t size) {
    std::size_t got = 0;
    while (got < size && (pushed != EOF || head_at < sizeof head)) {
        out[got++] = static_cast<std::uint8_t>(Get());
    }
    return std::fread(out + got, 1, size - got, file) == size - got;
}

namespace {

constexpr std::int64_t number_cap = 1'000'000'000;

bool Is_Space(int c) {
    return c != EOF && std::isspace(static_cast<unsigned char>(c));
}

// Consumes a comment whose '#' has been read, up to and including its line
// end. False when the file ends first.
bool Skip_Comment(Ppm_Bytes* in) {
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

bool Skip_Space_And_Comments(Ppm_Bytes* in) {
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
bool Read_Number(Ppm_Bytes* in, std::int64_t* value) {
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
bool Read_Raster_Separator(Ppm_Bytes* in) {
    const int c = in->Get();
    if (c == '#') {
        return Skip_Comment(in);
    }
    return Is_Space(c);
}

// Turns one raw row into pixels, or only checks it when `out` is null; false
// (after saying why) on a sample above the maximum value.
bool Decode_Row(const std::vector<std::uint8_t>& raw, int maxval, DTPixel* out, std::size_t width) {
    const bool wide = maxval > 255;
    if (maxval == 255) {
        // Every byte is a sample as it stands, and none can exceed 255.
        if (out) {
            std::memcpy(out, raw.data(), width * 3);
        }
        return true;
    }
    std::uint8_t* channel = reinterpret_cast<std::uint8_t*>(out);
    for (std::size_t i = 0; i < width * 3; ++i) {
        const int v = wide ? (raw[2 * i] << 8) | raw[2 * i + 1] : raw[i];
        if (v > maxval) {
            Report("PPM sample %d exceeds the maximum value %d.\n", v, maxval);
            return false;
        }
        if (channel) {
            channel[i] = static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval);
        }
    }
    return true;
}

} // namespace

int Open_PPM(Ppm_Decoder* decoder, std::FILE* file, const std::uint8_t header[8]) {
    Ppm_Bytes& in = decoder->in;
    std::copy(header, header + 8, in.head);
    in.file = file;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t maxval = 0;
    if (!Read_Number(&in, &width) || !Read_Number(&in, &height) || !Read_Number(&in, &maxval) ||
        !Read_Raster_Separator(&in)) {
        Report("Malformed PPM header.\n");
        return read_bad_header;
    }
    if (!Image_Size_Allowed(width, height)) {
        return read_bad_header;
    }
    if (maxval < 1 || maxval > 65535) {
        Report("PPM maximum value %lld is outside 1 to 65535.\n", static_cast<long long>(maxval));
        return read_bad_header;
    }
    decoder->width = static_cast<std::int32_t>(width);
    decoder->height = static_cast<std::int32_t>(height);
    decoder->maxval = static_cast<int>(maxval);
    decoder->raw.resize(static_cast<std::size_t>(width) * 3 * (maxval > 255 ? 2 : 1));
    return read_ok;
}

int Read_PPM_Row(Ppm_Decoder* decoder, DTPixel* row) {
    if (!decoder->in.Read(decoder->raw.data(), decoder->raw.size())) {
        Report("PPM raster is shorter than its header promises.\n");
        return read_bad_raster;
    }
    if (!Decode_Row(decoder->raw, decoder->maxval, row, static_cast<std::size_t>(decoder->width))) {
        return read_bad_raster;
    }
    ++decoder->rows_done;
    return read_ok;
}
