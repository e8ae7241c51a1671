#include "image/Image_Input.h"

#include "core/File_Handle.h"
#include "core/Report.h"
#include "image/GIF_Reader.h"
#include "image/HEIF_Reader.h"
#include "image/Image_Decoder.h"
#include "image/Image_Fit.h"
#include "image/Image_Target.h"
#include "image/JPEG_Reader.h"
#include "image/TIFF_Reader.h"
#include "image/WebP_Reader.h"

#include <new>
#include <vector>

namespace {

// The transform for a JPEG's embedded profile: handed to the decoder for
// CMYK samples, given for RGB (and grey) rows.
Color_Transform JPEG_Profile(Jpeg_Decoder* decoder, const Jpeg_Header& header,
                             const std::string& name) {
    if (header.icc.empty()) {
        return nullptr;
    }
    if (!header.cmyk) {
        return ICC_To_sRGB(header.icc.data(), header.icc.size(), Sample_Layout::rgb, name);
    }
    const Sample_Layout layout =
        header.inverted ? Sample_Layout::cmyk_inverted : Sample_Layout::cmyk;
    Set_JPEG_CMYK_Transform(decoder,
                            ICC_To_sRGB(header.icc.data(), header.icc.size(), layout, name));
    return nullptr;
}

// Decodes the JPEG at the least size the mode needs (libjpeg shrinks by its
// DCT scaling), whole for no fit; every row is decoded and checked.
std::optional<DTImage> Read_JPEG_Rows(Jpeg_Decoder* decoder, const Jpeg_Header& header,
                                      Fit_Mode mode, const std::string& name) {
    const Pixel_Size stored{header.width, header.height};
    const Pixel_Size least =
        mode == Fit_Mode::none ? stored : Fit_Decode_Size(stored, header.orientation, mode);
    Color_Transform transform = JPEG_Profile(decoder, header, name);
    int width = 0;
    int height = 0;
    if (!Start_JPEG(decoder, least.width, least.height, &width, &height)) {
        return std::nullopt;
    }
    Image_Target target =
        Start_Image_Target(stored, header.orientation, mode, {width, height}, std::move(transform));
    std::vector<DTPixel> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const bool wanted = Target_Wants_Row(target, y);
        if (!Read_JPEG_Row(decoder, wanted ? row.data() : nullptr)) {
            return std::nullopt;
        }
        if (wanted) {
            Add_Target_Row(&target, y, row.data());
        }
    }
    if (!Finish_JPEG(decoder)) {
        return std::nullopt;
    }
    return Finish_Image_Target(target, DTImageTypeJPEG);
}

std::optional<DTImage> Read_JPEG(std::FILE* file, const std::string& name, Fit_Mode mode) {
    Jpeg_Header header;
    const Jpeg_Handle decoder = Open_JPEG(file, name, &header);
    if (!decoder) {
        return std::nullopt;
    }
    try {
        return Read_JPEG_Rows(decoder.get(), header, mode, name);
    } catch (const std::bad_alloc&) {
        Report("Not enough memory for a %dx%d image.\n", header.width, header.height);
        return std::nullopt;
    }
}

// Decodes every row (or pass row) into the fit.
bool Add_Every_Row(Image_Decoder* decoder, const Color_Transform& transform, Image_Fit* fit) {
    std::vector<DTPixel> row(static_cast<std::size_t>(decoder->width));
    while (const std::optional<Pixel_Run> run = Next_Image_Run(*decoder)) {
        if (!Read_Image_Run(decoder, row.data())) {
            return false;
        }
        Convert_Row(transform, row.data(), static_cast<std::size_t>(run->count));
        Add_Fit_Pixels(fit, run->y, run->x0, run->step, row.data(), run->count);
    }
    return Finish_Image_Decoder(decoder);
}

// A PNG or PPM fitted as its rows (or an interlaced PNG's passes) arrive,
// a PNG's colours converted to sRGB as its colour chunks ask.
std::optional<DTImage> Read_Fitted_Other(std::FILE* file, const std::string& name, Fit_Mode mode) {
    Image_Decoder decoder;
    if (!Open_Image_Decoder(&decoder, file, Remaining_Size(file))) {
        return std::nullopt;
    }
    try {
        const Pixel_Size size{decoder.width, decoder.height};
        Image_Fit fit = Start_Image_Fit(size, 1, mode, size);
        const Color_Transform transform = Image_Colour_Transform(decoder, name);
        if (!Add_Every_Row(&decoder, transform, &fit)) {
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

// PNG and PPM through the image loader: their first pixels exactly as the
// window program's import takes them, or fitted.
std::optional<DTImage> Read_Other(std::FILE* file, const std::string& name, Fit_Mode mode) {
    return mode == Fit_Mode::none ? CreateImageFromStream(file, unfitted_pixels)
                                  : Read_Fitted_Other(file, name, mode);
}

// Catches what a decoder's own allocations throw.
std::optional<DTImage> Read_Format(std::optional<DTImage> (*read)(std::FILE*, const std::string&,
                                                                  Fit_Mode),
                                   std::FILE* file, const std::string& name, Fit_Mode mode) {
    try {
        return read(file, name, mode);
    } catch (const std::bad_alloc&) {
        Report("Cannot read %s: not enough memory to decode it.\n", name.c_str());
        return std::nullopt;
    }
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
    const std::uint8_t* head = stream.head;
    const std::size_t size = stream.head_size;
    if (Is_JPEG_Signature(head, size)) {
        return Read_JPEG(stream.file, name, mode);
    }
    if (Is_WebP_Signature(head, size)) {
        return Read_Format(Read_WebP, stream.file, name, mode);
    }
    if (Is_HEIF_Signature(head, size)) {
        return Read_Format(Read_HEIF, stream.file, name, mode);
    }
    if (Is_GIF_Signature(head, size)) {
        return Read_Format(Read_GIF, stream.file, name, mode);
    }
    if (Is_TIFF_Signature(head, size)) {
        return Read_Format(Read_TIFF, stream.file, name, mode);
    }
    return Read_Other(stream.file, name, mode);
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
