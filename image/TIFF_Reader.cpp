#include "image/TIFF_Reader.h"

#include "core/File_Handle.h"
#include "core/Report.h"
#include "image/Image_Size.h"
#include "image/Image_Target.h"
#include "image/Shared_Library.h"
#include "image/Stream_Bytes.h"
#include "image/TIFF_Library.h"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <sys/types.h>
#include <vector>

namespace {

// The most one strip or row of tiles may take decoded.
constexpr std::uint64_t max_band_bytes = 256ULL << 20;

// The stream libtiff reads, with positions counted from the file's first
// byte. Seeks past its end are refused as a memory stream refuses them, so
// that a file, a pipe's copy and a memory stream give the same outcome.
struct Tiff_Source {
    std::FILE* file = nullptr;
    off_t base = 0;
    off_t size = 0;
    std::string name;
    std::string error; // libtiff's first error message
};

tmsize_t Read_Proc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* source = static_cast<Tiff_Source*>(handle);
    return static_cast<tmsize_t>(
        std::fread(buffer, 1, static_cast<std::size_t>(size), source->file));
}

tmsize_t Write_Proc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t Seek_Proc(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<Tiff_Source*>(handle);
    const off_t from = whence == SEEK_SET   ? 0
                       : whence == SEEK_END ? source->size
                                            : ftello(source->file) - source->base;
    const off_t to = from + static_cast<off_t>(offset);
    if (offset > static_cast<toff_t>(source->size) || to < 0 || to > source->size ||
        fseeko(source->file, source->base + to, SEEK_SET) != 0) {
        return static_cast<toff_t>(-1);
    }
    return static_cast<toff_t>(to);
}

int Close_Proc(thandle_t) {
    return 0;
}

toff_t Size_Proc(thandle_t handle) {
    return static_cast<toff_t>(static_cast<Tiff_Source*>(handle)->size);
}

int Map_Proc(thandle_t, void**, toff_t*) {
    return 0;
}

void Unmap_Proc(thandle_t, void*, toff_t) {}

int Keep_Error(TIFF*, void* user_data, const char*, const char* format, va_list arguments) {
    auto* source = static_cast<Tiff_Source*>(user_data);
    if (source->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        source->error = text;
        // libtiff's messages often begin with the file's name; ours has it.
        const std::string named = source->name + ": ";
        if (source->error.starts_with(named)) {
            source->error.erase(0, named.size());
        }
    }
    return 1;
}

int Drop_Warning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

using Options_Deleter = Library_Free<Tiff_Functions, &Tiff_Functions::TIFFOpenOptionsFree>;
using Tiff_Closer = Library_Free<Tiff_Functions, &Tiff_Functions::TIFFClose>;
using Tiff_Handle = std::unique_ptr<TIFF, Tiff_Closer>;

void Report_Failure(const std::string& name, const std::string& reason) {
    Report("Cannot read TIFF %s: %s.\n", name.c_str(), Library_Reason(reason.c_str()).c_str());
}

// A stream libtiff can seek through: the stream itself, or a copy of a pipe.
std::FILE* Seekable(std::FILE* file, File_Handle* copy, const std::string& name) {
    if (fseeko(file, 0, SEEK_CUR) == 0) {
        return file;
    }
    copy->reset(std::tmpfile());
    if (!*copy) {
        Report("Cannot read TIFF %s: no temporary file for it: %s.\n", name.c_str(),
               std::strerror(errno));
        return nullptr;
    }
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (std::fwrite(chunk, 1, got, copy->get()) != got) {
            Report("Cannot read TIFF %s: copying it to a temporary file failed: %s.\n",
                   name.c_str(), std::strerror(errno));
            return nullptr;
        }
    }
    std::rewind(copy->get());
    return copy->get();
}

Color_Transform Profile_Of(const Tiff_Functions& libtiff, TIFF* tiff, const std::string& name) {
    std::uint32_t size = 0;
    void* icc = nullptr;
    if (libtiff.TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &size, &icc) != 1 || !icc || size == 0) {
        return nullptr;
    }
    return ICC_To_sRGB(static_cast<const std::uint8_t*>(icc), size, Sample_Layout::rgb, name);
}

// Hands on `rows` rows of a band that libtiff gave bottom row first, each
// `stride` pixels apart, of which the first `width` count.
void Add_Band(Image_Target* target, int first_row, int rows, const std::vector<std::uint32_t>& band,
              std::size_t stride, int width, std::vector<DTPixel>* row) {
    for (int i = 0; i < rows; ++i) {
        const int y = first_row + i;
        if (!Target_Wants_Row(*target, y)) {
            continue;
        }
        const std::uint32_t* pixels = &band[static_cast<std::size_t>(rows - 1 - i) * stride];
        for (int x = 0; x < width; ++x) {
            (*row)[x] = {static_cast<std::uint8_t>(TIFFGetR(pixels[x])),
                         static_cast<std::uint8_t>(TIFFGetG(pixels[x])),
                         static_cast<std::uint8_t>(TIFFGetB(pixels[x]))};
        }
        Add_Target_Row(target, y, row->data());
    }
}

bool Read_Strips(const Tiff_Functions& libtiff, TIFF* tiff, Pixel_Size size, Image_Target* target,
                 Tiff_Source* source, const std::string& name) {
    std::uint32_t rows_per_strip = 0;
    libtiff.TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
    const std::uint32_t band_rows = std::min<std::uint32_t>(rows_per_strip, size.height);
    if (static_cast<std::uint64_t>(band_rows) * size.width * 4 > max_band_bytes) {
        Report_Failure(name, "its strips are too large to decode");
        return false;
    }
    std::vector<std::uint32_t> band(static_cast<std::size_t>(band_rows) * size.width);
    std::vector<DTPixel> row(static_cast<std::size_t>(size.width));
    for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(size.height); y += band_rows) {
        if (!libtiff.TIFFReadRGBAStripExt(tiff, y, band.data(), 1)) {
            Report_Failure(name, source->error);
            return false;
        }
        const int rows = static_cast<int>(std::min<std::uint32_t>(band_rows, size.height - y));
        Add_Band(target, static_cast<int>(y), rows, band, size.width, size.width, &row);
    }
    return true;
}

bool Read_Tiles(const Tiff_Functions& libtiff, TIFF* tiff, Pixel_Size size, Image_Target* target,
                Tiff_Source* source, const std::string& name) {
    std::uint32_t tile_width = 0;
    std::uint32_t tile_height = 0;
    libtiff.TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tile_width);
    libtiff.TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tile_height);
    if (tile_width == 0 || tile_height == 0 ||
        tile_width > static_cast<std::uint32_t>(max_image_side) ||
        tile_height > static_cast<std::uint32_t>(max_image_side)) {
        Report_Failure(name, "its tile size is unusable");
        return false;
    }
    // A row of tiles side by side, bottom row first like each tile.
    const std::size_t stride = static_cast<std::size_t>(size.width);
    if (static_cast<std::uint64_t>(tile_height) * (stride + tile_width) * 4 > max_band_bytes) {
        Report_Failure(name, "its tiles are too large to decode");
        return false;
    }
    std::vector<std::uint32_t> tile(static_cast<std::size_t>(tile_width) * tile_height);
    std::vector<std::uint32_t> band(static_cast<std::size_t>(tile_height) * stride);
    std::vector<DTPixel> row(stride);
    for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(size.height); y += tile_height) {
        const int rows = static_cast<int>(std::min<std::uint32_t>(tile_height, size.height - y));
        for (std::uint32_t x = 0; x < static_cast<std::uint32_t>(size.width); x += tile_width) {
            if (!libtiff.TIFFReadRGBATileExt(tiff, x, y, tile.data(), 1)) {
                Report_Failure(name, source->error);
                return false;
            }
            const std::uint32_t columns = std::min<std::uint32_t>(tile_width, size.width - x);
            // The tile's top row is its last; its rows below the image are
            // skipped, so the band's bottom row is the image's.
            for (int i = 0; i < rows; ++i) {
                std::memcpy(&band[static_cast<std::size_t>(rows - 1 - i) * stride + x],
                            &tile[static_cast<std::size_t>(tile_height - 1 - i) * tile_width],
                            columns * sizeof(std::uint32_t));
            }
        }
        Add_Band(target, static_cast<int>(y), rows, band, stride, size.width, &row);
    }
    return true;
}

} // namespace

bool Is_TIFF_Signature(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4) {
        return false;
    }
    const bool little =
        bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0;
    const bool big =
        bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43);
    return little || big;
}

std::optional<DTImage> Read_TIFF(std::FILE* file, const std::string& name, Fit_Mode mode) {
    std::string not_loaded;
    const Tiff_Functions* const library = Tiff_Library(&not_loaded);
    if (!library) {
        Report_Failure(name, not_loaded);
        return std::nullopt;
    }
    const Tiff_Functions& libtiff = *library;
    File_Handle copy;
    Tiff_Source source;
    source.file = Seekable(file, &copy, name);
    if (!source.file) {
        return std::nullopt;
    }
    source.name = name;
    source.base = ftello(source.file);
    if (source.base < 0 || fseeko(source.file, 0, SEEK_END) != 0 ||
        (source.size = ftello(source.file) - source.base) < 0 ||
        fseeko(source.file, source.base, SEEK_SET) != 0) {
        Report_Failure(name, "its length cannot be told");
        return std::nullopt;
    }
    const std::unique_ptr<TIFFOpenOptions, Options_Deleter> options(libtiff.TIFFOpenOptionsAlloc(),
                                                                    {&libtiff});
    if (!options) {
        Report_Failure(name, "not enough memory to open it");
        return std::nullopt;
    }
    libtiff.TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                                static_cast<tmsize_t>(max_band_bytes));
    libtiff.TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Keep_Error, &source);
    libtiff.TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Drop_Warning, nullptr);
    const Tiff_Handle tiff(libtiff.TIFFClientOpenExt(name.c_str(), "rm", &source, Read_Proc,
                                                     Write_Proc, Seek_Proc, Close_Proc, Size_Proc,
                                                     Map_Proc, Unmap_Proc, options.get()),
                           {&libtiff});
    if (!tiff) {
        Report_Failure(name, source.error);
        return std::nullopt;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    libtiff.TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    libtiff.TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    if (!Image_Size_Allowed("TIFF", name, width, height)) {
        return std::nullopt;
    }
    char why[1024] = "";
    if (!libtiff.TIFFRGBAImageOK(tiff.get(), why)) {
        Report_Failure(name, why);
        return std::nullopt;
    }
    const Pixel_Size size{static_cast<int>(width), static_cast<int>(height)};
    Image_Target target =
        Start_Image_Target(size, 1, mode, size, Profile_Of(libtiff, tiff.get(), name));
    const bool read = libtiff.TIFFIsTiled(tiff.get())
                          ? Read_Tiles(libtiff, tiff.get(), size, &target, &source, name)
                          : Read_Strips(libtiff, tiff.get(), size, &target, &source, name);
    if (!read) {
        return std::nullopt;
    }
    return Finish_Image_Target(target, DTImageTypeTIFF);
}
