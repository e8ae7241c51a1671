#include "fuzz/Fuzz_Checks.h"

#include "convert/Conversion.h"
#include "core/Picture_Rules.h"
#include "core/Report.h"
#include "image/Color_Profile.h"
#include "image/Image_Fit.h"
#include "image/Image_Input.h"
#include "io/MQ4_File.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// Whether a PNG carries a chunk that makes its fit colour-managed.
bool Has_PNG_Colour_Chunk(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* chunk : {"iCCP", "gAMA", "cHRM"}) {
        if (bytes.find(chunk) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// The MQ4 reader takes a path, so the bytes go into a file in memory.
struct Memory_File {
    int fd = memfd_create("mq4", 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    ~Memory_File() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

std::string Check_Saved_Back(const std::uint8_t* data, const MQ4_Document& picture) {
    for (std::uint8_t index : picture.pixels) {
        if (index >= palette_size) {
            return "index out of the palette";
        }
    }
    const MQ4_Bytes saved = Encode_MQ4(picture);
    for (int i = 0; i < palette_size; ++i) {
        const std::int32_t word = Color_Word(picture.palette[i]);
        if ((word & ~0xF8F8F8) != 0 || word != Decode_555(Encode_555(word))) {
            return "palette entry " + std::to_string(i) + " does not match its word";
        }
        // Saving sets the flag bit and keeps the colour bits.
        const std::size_t at = mq4_palette_offset + 2 * i;
        if (saved[at] != (data[at] | 0x80) || saved[at + 1] != data[at + 1]) {
            return "palette word " + std::to_string(i) + " saved differently";
        }
    }
    for (std::size_t k = mq4_pixel_offset; k < mq4_file_size; ++k) {
        if (saved[k] != data[k]) {
            return "pixel byte " + std::to_string(k) + " saved differently";
        }
    }
    return "";
}

std::string Check_Candidates(const Candidates& candidates) {
    for (const MQ4_Document& picture : candidates) {
        for (std::uint8_t index : picture.pixels) {
            if (index >= palette_size) {
                return "index out of the palette";
            }
        }
        for (int i = 0; i < palette_size; ++i) {
            if ((Color_Word(picture.palette[i]) & ~0xF8F8F8) != 0) {
                return "palette entry " + std::to_string(i) + " is not a display colour";
            }
        }
        if (picture.file_title || picture.document_name) {
            return "a candidate has a name";
        }
    }
    if (candidates[Index(Method::floyd_steinberg)].palette !=
            candidates[Index(Method::octree)].palette ||
        candidates[Index(Method::closest)].palette != candidates[Index(Method::octree)].palette) {
        return "the shared palette differs";
    }
    return "";
}

} // namespace

std::string Check_Image_Loader(const std::uint8_t* data, std::size_t size) {
    Report_Capture whole_messages;
    const std::optional<DTImage> image = CreateImageFromMemory(data, size);
    const std::string whole_text = whole_messages.text;
    // Keeping only a picture's pixels must change nothing else.
    Report_Capture picture_messages;
    const std::optional<DTImage> picture = CreateImageFromMemory(data, size, picture_pixels);
    if (picture_messages.text != whole_text || image.has_value() != picture.has_value()) {
        return "keeping a picture's pixels changed the outcome";
    }
    if (!image) {
        return "";
    }
    const bool consistent =
        image->width >= 1 && image->height >= 1 && image->width <= max_image_side &&
        image->height <= max_image_side &&
        image->pixelCount == static_cast<std::uint64_t>(image->width) * image->height &&
        image->pixels.size() == image->pixelCount &&
        (image->type == DTImageTypePNG || image->type == DTImageTypePPM);
    if (!consistent) {
        return "inconsistent image";
    }
    const std::size_t kept = std::min<std::size_t>(image->pixels.size(), picture_pixels);
    if (picture->pixelCount != image->pixelCount || picture->pixels.size() != kept ||
        !std::equal(picture->pixels.begin(), picture->pixels.end(), image->pixels.begin())) {
        return "the kept pixels are not the image's first";
    }
    return "";
}

namespace {

// Bytes in memory behind a stream that, like a pipe, has no file and cannot
// seek, so that its length is not known.
struct Pipe_Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

ssize_t Pipe_Read(void* cookie, char* buffer, std::size_t size) {
    auto* pipe = static_cast<Pipe_Bytes*>(cookie);
    const std::size_t got = std::min(size, pipe->size - pipe->at);
    std::memcpy(buffer, pipe->data + pipe->at, got);
    pipe->at += got;
    return static_cast<ssize_t>(got);
}

struct Photo_Read {
    std::optional<DTImage> image;
    std::string messages;
};

Photo_Read Read_Photo(std::FILE* file, Fit_Mode mode) {
    Photo_Read read;
    Report_Capture capture;
    read.image = Read_Input_Stream(file, "fuzz", mode);
    read.messages = capture.text;
    std::fclose(file);
    return read;
}

std::string Check_Photo_Size(const DTImage& image, Fit_Mode mode) {
    const bool sized =
        mode == Fit_Mode::none
            ? image.width >= 1 && image.height >= 1 && image.width <= max_image_side &&
                  image.height <= max_image_side &&
                  image.pixelCount == static_cast<std::uint64_t>(image.width) * image.height &&
                  image.pixels.size() == std::min<std::uint64_t>(image.pixelCount, picture_pixels)
            : image.width == 128 && image.height == 96 && image.pixelCount == picture_pixels &&
                  image.pixels.size() == picture_pixels;
    return sized ? "" : "inconsistent image";
}

} // namespace

std::string Check_Photo_Input(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return "";
    }
    for (Fit_Mode mode : {Fit_Mode::none, Fit_Mode::crop}) {
        std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
        Pipe_Bytes bytes{data, size};
        std::FILE* pipe = fopencookie(&bytes, "rb", {Pipe_Read, nullptr, nullptr, nullptr});
        if (!file || !pipe) {
            return "cannot make the streams";
        }
        const Photo_Read sized = Read_Photo(file, mode);
        const Photo_Read piped = Read_Photo(pipe, mode);
        // From a pipe a PNG is weighed against its header only once it has
        // failed, so warnings met on the way may come first.
        if (piped.image.has_value() != sized.image.has_value() ||
            (sized.image ? piped.messages != sized.messages
                         : !piped.messages.ends_with(sized.messages))) {
            return "reading from a pipe changed the outcome";
        }
        if (!sized.image) {
            continue;
        }
        if (sized.image->pixels != piped.image->pixels) {
            return "reading from a pipe changed the pixels";
        }
        if (const std::string complaint = Check_Photo_Size(*sized.image, mode);
            !complaint.empty()) {
            return complaint;
        }
        const bool png_or_ppm =
            sized.image->type == DTImageTypePNG || sized.image->type == DTImageTypePPM;
        if (mode != Fit_Mode::crop || !png_or_ppm || Has_PNG_Colour_Chunk(data, size)) {
            continue;
        }
        // A PNG or PPM is fitted as its rows arrive: as the whole image is
        // (which the loader gives unconverted).
        Report_Capture quiet;
        const std::optional<DTImage> whole = CreateImageFromMemory(data, size);
        if (!whole || Fit_Whole_Image(*whole, mode).pixels != sized.image->pixels) {
            return "the fit as rows arrive differs from the fit of the whole image";
        }
    }
    return "";
}

std::string Check_Color_Profile(const std::uint8_t* data, std::size_t size) {
    for (Sample_Layout layout :
         {Sample_Layout::rgb, Sample_Layout::cmyk, Sample_Layout::cmyk_inverted}) {
        Report_Capture messages;
        const Color_Transform transform = ICC_To_sRGB(data, size, layout, "profile");
        if (std::count(messages.text.begin(), messages.text.end(), '\n') > 1) {
            return "more than one line of warning";
        }
        if (!transform) {
            continue;
        }
        std::vector<DTPixel> row(256);
        std::vector<std::uint8_t> samples(256 * 4);
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                      static_cast<std::uint8_t>(i * 7)};
            samples[4 * i + i % 4] = static_cast<std::uint8_t>(i);
        }
        // The sanitizers catch a write beyond the row.
        if (layout == Sample_Layout::rgb) {
            Convert_Row(transform, row.data(), row.size());
        } else {
            Convert_CMYK_Row(transform, samples.data(), row.data(), row.size());
        }
    }
    return "";
}

std::string Check_MQ4_Reader(const std::uint8_t* data, std::size_t size) {
    const Memory_File file;
    if (file.fd < 0 || write(file.fd, data, size) != static_cast<ssize_t>(size)) {
        return "cannot make the file";
    }
    MQ4_Document picture;
    if (!Read_MQ4_File(file.path, &picture)) {
        return size < mq4_file_size && !picture.document_name ? "" : "a whole file was refused";
    }
    if (size < mq4_file_size) {
        return "a short file was read";
    }
    if (picture.document_name != file.path) {
        return "the picture is not named after its file";
    }
    return Check_Saved_Back(data, picture);
}

std::string Check_Conversion(const std::uint8_t* data, std::size_t size) {
    const std::optional<DTImage> image = CreateImageFromMemory(data, size);
    if (!image) {
        return "";
    }
    // Images too small for a picture are refused by the callers; the
    // conversion pads them, and that path is checked too.
    return Check_Candidates(Build_Candidates(*image));
}
