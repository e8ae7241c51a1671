#include "image/Image_Input.h"

#include "core/File_Handle.h"
#include "core/Report.h"
#include "image/Image_Decoder.h"
#include "image/Image_Fit.h"
#include "image/JPEG_Reader.h"
#include "image/Orientation.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

// The pixels of an image that a picture takes without fitting: the first
// 12288 in storage order (of the upright image).
constexpr std::uint64_t unfitted_pixels =
    static_cast<std::uint64_t>(fit_target.width) * fit_target.height;

// The first pixels of the upright image, from the part of the stored rows
// that turns into them; every row is still decoded and checked.
std::optional<DTImage> Read_First_JPEG_Pixels(Jpeg_Decoder* decoder, const Jpeg_Header& header) {
    int width = 0;
    int height = 0;
    if (!Start_JPEG(decoder, header.width, header.height, &width, &height)) {
        return std::nullopt;
    }
    const Pixel_Size stored{width, height};
    const Pixel_Size upright = Upright_Size(stored, header.orientation);
    const std::uint64_t count = static_cast<std::uint64_t>(width) * height;
    const std::uint64_t kept = std::min(unfitted_pixels, count);
    const int upright_rows = static_cast<int>((kept + upright.width - 1) / upright.width);
    const Pixel_Rect part =
        Stored_Rect({0, 0, upright.width, upright_rows}, stored, header.orientation);
    DTImage cut;
    cut.width = part.x1 - part.x0;
    cut.height = part.y1 - part.y0;
    cut.pixelCount = static_cast<std::uint64_t>(cut.width) * cut.height;
    std::vector<DTPixel> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const bool wanted = y >= part.y0 && y < part.y1;
        if (!Read_JPEG_Row(decoder, wanted ? row.data() : nullptr)) {
            return std::nullopt;
        }
        if (wanted) {
            cut.pixels.insert(cut.pixels.end(), row.begin() + part.x0, row.begin() + part.x1);
        }
    }
    if (!Finish_JPEG(decoder)) {
        return std::nullopt;
    }
    DTImage image = Apply_Orientation(cut, header.orientation);
    image.pixels.resize(static_cast<std::size_t>(kept));
    image.type = DTImageTypeJPEG;
    image.width = upright.width;
    image.height = upright.height;
    image.pixelCount = count;
    return image;
}

std::optional<DTImage> Read_Fitted_JPEG(Jpeg_Decoder* decoder, const Jpeg_Header& header,
                                        Fit_Mode mode) {
    const Pixel_Size stored{header.width, header.height};
    const Pixel_Size least = Fit_Decode_Size(stored, header.orientation, mode);
    int width = 0;
    int height = 0;
    if (!Start_JPEG(decoder, least.width, least.height, &width, &height)) {
        return std::nullopt;
    }
    Image_Fit fit = Start_Image_Fit(stored, header.orientation, mode, {width, height});
    std::vector<DTPixel> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        if (!Read_JPEG_Row(decoder, row.data())) {
            return std::nullopt;
        }
        Add_Fit_Row(&fit, y, row.data());
    }
    if (!Finish_JPEG(decoder)) {
        return std::nullopt;
    }
    DTImage fitted = Finish_Image_Fit(fit);
    fitted.type = DTImageTypeJPEG;
    return fitted;
}

std::optional<DTImage> Read_JPEG(std::FILE* file, const std::string& name, Fit_Mode mode) {
    Jpeg_Header header;
    const Jpeg_Handle decoder = Open_JPEG(file, name, &header);
    if (!decoder) {
        return std::nullopt;
    }
    try {
        return mode == Fit_Mode::none ? Read_First_JPEG_Pixels(decoder.get(), header)
                                      : Read_Fitted_JPEG(decoder.get(), header, mode);
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", header.width, header.height);
        return std::nullopt;
    }
}

// Decodes every row (or pass row) into the fit.
bool Add_Every_Row(Image_Decoder* decoder, Image_Fit* fit) {
    std::vector<DTPixel> row(static_cast<std::size_t>(decoder->width));
    while (const std::optional<Pixel_Run> run = Next_Image_Run(*decoder)) {
        if (!Read_Image_Run(decoder, row.data())) {
            return false;
        }
        Add_Fit_Pixels(fit, run->y, run->x0, run->step, row.data(), run->count);
    }
    return Finish_Image_Decoder(decoder);
}

// A PNG or PPM fitted as its rows (or an interlaced PNG's passes) arrive.
std::optional<DTImage> Read_Fitted_Other(std::FILE* file, Fit_Mode mode) {
    Image_Decoder decoder;
    if (!Open_Image_Decoder(&decoder, file, Remaining_Size(file))) {
        return std::nullopt;
    }
    try {
        const Pixel_Size size{decoder.width, decoder.height};
        Image_Fit fit = Start_Image_Fit(size, 1, mode, size);
        if (!Add_Every_Row(&decoder, &fit)) {
            return std::nullopt;
        }
        DTImage fitted = Finish_Image_Fit(fit);
        fitted.type = decoder.type;
        return fitted;
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", decoder.width, decoder.height);
        return std::nullopt;
    }
}

// PNG and PPM through the image loader: their first pixels, or fitted.
std::optional<DTImage> Read_Other(std::FILE* file, Fit_Mode mode) {
    return mode == Fit_Mode::none ? CreateImageFromStream(file, unfitted_pixels)
                                  : Read_Fitted_Other(file, mode);
}

} // namespace

bool Is_Standard_Stream(const std::string& path) {
    return path == "-";
}

std::string Input_Name(const std::string& path) {
    return Is_Standard_Stream(path) ? "standard input" : path;
}

std::optional<DTImage> Read_Peeked_Image(const Peeked_Stream& stream, const std::string& name,
                                         Fit_Mode mode) {
    return Is_JPEG_Signature(stream.head, stream.head_size) ? Read_JPEG(stream.file, name, mode)
                                                            : Read_Other(stream.file, mode);
}

std::optional<DTImage> Read_Input_Stream(std::FILE* file, const std::string& name, Fit_Mode mode) {
    Peeked_Stream stream;
    if (!Peek_Stream(file, &stream)) {
        return std::nullopt;
    }
    return Read_Peeked_Image(stream, name, mode);
}

std::optional<DTImage> Load_Input_Image(const std::string& path, Fit_Mode mode) {
    if (Is_Standard_Stream(path)) {
        return Read_Input_Stream(stdin, Input_Name(path), mode);
    }
    const File_Handle file = Open_For_Reading(path.c_str());
    if (!file) {
        Report_Errno("Could not open image file");
        return std::nullopt;
    }
    return Read_Input_Stream(file.get(), path, mode);
}
