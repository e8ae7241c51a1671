#include "image/WebP_Reader.h"

#include "core/Report.h"
#include "image/Image_Size.h"
#include "image/Image_Target.h"
#include "image/Stream_Bytes.h"

#include <cstring>
#include <memory>
#include <vector>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

struct Demux_Deleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct Anim_Deleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

void Report_Failure(const std::string& name, const char* reason) {
    Report("Cannot read WebP %s: %s.\n", name.c_str(), reason);
}

const char* Status_Text(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "not enough memory to decode it";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "it uses a feature libwebp cannot decode";
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "it is cut short";
    default:
        return "its image data is damaged";
    }
}

Color_Transform Profile_Of(const WebPDemuxer* demux, const std::string& name) {
    if ((WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) == 0) {
        return nullptr;
    }
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
        return nullptr;
    }
    Color_Transform transform =
        ICC_To_sRGB(chunk.chunk.bytes, chunk.chunk.size, Sample_Layout::rgb, name);
    WebPDemuxReleaseChunkIterator(&chunk);
    return transform;
}

// The size a still image is decoded at: scaled by libwebp for a fit.
Pixel_Size Decoded_Size(Pixel_Size size, Fit_Mode mode) {
    return mode == Fit_Mode::none ? size : Fit_Decode_Size(size, 1, mode);
}

// A still image decoded at the size the target takes: scaled for a fit, only
// the rows kept otherwise.
bool Decode_Still(const WebPData& data, Pixel_Size size, Fit_Mode mode, Image_Target* target,
                  const std::string& name) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) {
        Report_Failure(name, "libwebp does not match the one it was built for");
        return false;
    }
    Pixel_Size decoded = Decoded_Size(size, mode);
    int first_row = 0;
    if (mode != Fit_Mode::none) {
        config.options.use_scaling = decoded.width != size.width || decoded.height != size.height;
        config.options.scaled_width = decoded.width;
        config.options.scaled_height = decoded.height;
    } else {
        first_row = target->part.y0;
        decoded.height = target->part.y1 - target->part.y0;
        config.options.use_cropping = 1;
        config.options.crop_top = first_row;
        config.options.crop_width = size.width;
        config.options.crop_height = decoded.height;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(decoded.width) * decoded.height * 3);
    config.output.colorspace = MODE_RGB; // alpha dropped, as a PNG's is
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels.data();
    config.output.u.RGBA.stride = decoded.width * 3;
    config.output.u.RGBA.size = pixels.size();
    const VP8StatusCode status = WebPDecode(data.bytes, data.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        Report_Failure(name, Status_Text(status));
        return false;
    }
    for (int y = 0; y < decoded.height; ++y) {
        auto* row =
            reinterpret_cast<DTPixel*>(&pixels[static_cast<std::size_t>(y) * decoded.width * 3]);
        Add_Target_Row(target, first_row + y, row);
    }
    return true;
}

// The first frame of an animation composed on its canvas, as a viewer shows
// it before the second (alpha dropped).
bool Decode_First_Frame(const WebPData& data, Pixel_Size size, Image_Target* target,
                        const std::string& name) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) {
        Report_Failure(name, "libwebp does not match the one it was built for");
        return false;
    }
    options.color_mode = MODE_RGBA;
    const std::unique_ptr<WebPAnimDecoder, Anim_Deleter> decoder(
        WebPAnimDecoderNew(&data, &options));
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!decoder || !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp)) {
        Report_Failure(name, "its first frame is damaged");
        return false;
    }
    std::vector<DTPixel> row(static_cast<std::size_t>(size.width));
    for (int y = 0; y < size.height; ++y) {
        if (!Target_Wants_Row(*target, y)) {
            continue;
        }
        const std::uint8_t* rgba = canvas + static_cast<std::size_t>(y) * size.width * 4;
        for (int x = 0; x < size.width; ++x) {
            row[x] = {rgba[4 * x], rgba[4 * x + 1], rgba[4 * x + 2]};
        }
        Add_Target_Row(target, y, row.data());
    }
    return true;
}

} // namespace

bool Is_WebP_Signature(const std::uint8_t* bytes, std::size_t size) {
    return size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 &&
           std::memcmp(bytes + 8, "WEBP", 4) == 0;
}

std::optional<DTImage> Read_WebP(std::FILE* file, const std::string& name, Fit_Mode mode) {
    const std::optional<std::vector<std::uint8_t>> bytes = Read_Stream_Bytes(file, "WebP", name);
    if (!bytes) {
        return std::nullopt;
    }
    const WebPData data{bytes->data(), bytes->size()};
    const std::unique_ptr<WebPDemuxer, Demux_Deleter> demux(WebPDemux(&data));
    if (!demux) {
        Report_Failure(name, "it is damaged or cut short");
        return std::nullopt;
    }
    const Pixel_Size size{static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH)),
                          static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT))};
    if (!Image_Size_Allowed("WebP", name, size.width, size.height)) {
        return std::nullopt;
    }
    const bool animated = (WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
    Image_Target target = Start_Image_Target(
        size, 1, mode, animated ? size : Decoded_Size(size, mode), Profile_Of(demux.get(), name));
    const bool decoded = animated ? Decode_First_Frame(data, size, &target, name)
                                  : Decode_Still(data, size, mode, &target, name);
    if (!decoded) {
        return std::nullopt;
    }
    return Finish_Image_Target(target, DTImageTypeWebP);
}
