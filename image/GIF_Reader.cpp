#include "image/GIF_Reader.h"

#include "core/Report.h"
#include "image/Image_Size.h"
#include "image/Image_Target.h"
#include "image/Stream_Bytes.h"

#include <algorithm>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace {

struct Gif_Closer {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using Gif_Handle = std::unique_ptr<GifFileType, Gif_Closer>;

int Read_Stream(GifFileType* gif, GifByteType* buffer, int size) {
    return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(size),
                                       static_cast<std::FILE*>(gif->UserData)));
}

bool Report_Failure(const GifFileType* gif, const std::string& name) {
    Report("Cannot read GIF %s: %s.\n", name.c_str(),
           Library_Reason(GifErrorString(gif->Error)).c_str());
    return false;
}

// Reads records up to the first frame's descriptor, skipping extensions.
bool Find_First_Frame(GifFileType* gif, const std::string& name) {
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            return Report_Failure(gif, name);
        }
        if (record == IMAGE_DESC_RECORD_TYPE) {
            return DGifGetImageDesc(gif) != GIF_ERROR || Report_Failure(gif, name);
        }
        if (record == TERMINATE_RECORD_TYPE) {
            Report("Cannot read GIF %s: it holds no image.\n", name.c_str());
            return false;
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
            return Report_Failure(gif, name);
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                return Report_Failure(gif, name);
            }
        }
    }
}

DTPixel Table_Colour(const ColorMapObject* table, int index) {
    if (!table || index >= table->ColorCount) {
        return {0, 0, 0};
    }
    const GifColorType& colour = table->Colors[index];
    return {colour.Red, colour.Green, colour.Blue};
}

// The frame's rows in the order stored: an interlaced frame's four passes.
std::vector<int> Stored_Row_Order(int height, bool interlaced) {
    std::vector<int> order;
    if (!interlaced) {
        for (int y = 0; y < height; ++y) {
            order.push_back(y);
        }
        return order;
    }
    constexpr int starts[4] = {0, 4, 2, 1};
    constexpr int steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = starts[pass]; y < height; y += steps[pass]) {
            order.push_back(y);
        }
    }
    return order;
}

bool Decode_First_Frame(GifFileType* gif, Image_Target* target, const std::string& name) {
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* table = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!table) {
        Report("Cannot read GIF %s: it has no colour table.\n", name.c_str());
        return false;
    }
    const int screen_width = gif->SWidth;
    const int screen_height = gif->SHeight;
    if (frame.Width <= 0 || frame.Height <= 0 || frame.Width > max_image_side ||
        frame.Height > max_image_side) {
        Report(
            "Cannot read GIF %s: its first frame's size %dx%d is outside 1 to %d pixels a side.\n",
            name.c_str(), frame.Width, frame.Height, static_cast<int>(max_image_side));
        return false;
    }
    const DTPixel background = Table_Colour(gif->SColorMap, gif->SBackGroundColor);
    // The part of the frame on the screen (a frame may reach past it).
    const Pixel_Rect shown{std::min(frame.Left, screen_width), std::min(frame.Top, screen_height),
                           std::min(frame.Left + frame.Width, screen_width),
                           std::min(frame.Top + frame.Height, screen_height)};
    std::vector<GifPixelType> indices(static_cast<std::size_t>(frame.Width));
    std::vector<DTPixel> span(static_cast<std::size_t>(shown.x1 - shown.x0));
    for (const int frame_y : Stored_Row_Order(frame.Height, frame.Interlace)) {
        if (DGifGetLine(gif, indices.data(), frame.Width) == GIF_ERROR) {
            return Report_Failure(gif, name);
        }
        const int y = frame.Top + frame_y;
        if (y >= screen_height || !Target_Wants_Row(*target, y)) {
            continue;
        }
        for (int x = shown.x0; x < shown.x1; ++x) {
            span[static_cast<std::size_t>(x - shown.x0)] =
                Table_Colour(table, indices[static_cast<std::size_t>(x - frame.Left)]);
        }
        Add_Target_Span(target, y, shown.x0, span.data(), shown.x1 - shown.x0);
    }
    // The screen around the frame takes the background colour, only once the
    // frame has been read, and as areas: a few bytes can claim a screen of
    // millions of pixels.
    const Pixel_Rect around[4] = {{0, 0, screen_width, shown.y0},
                                  {0, shown.y1, screen_width, screen_height},
                                  {0, shown.y0, shown.x0, shown.y1},
                                  {shown.x1, shown.y0, screen_width, shown.y1}};
    for (const Pixel_Rect& area : around) {
        Add_Target_Fill(target, area, background);
    }
    return true;
}

} // namespace

bool Is_GIF_Signature(const std::uint8_t* bytes, std::size_t size) {
    return size >= 6 &&
           (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0);
}

std::optional<DTImage> Read_GIF(std::FILE* file, const std::string& name, Fit_Mode mode) {
    int error = 0;
    const Gif_Handle gif(DGifOpen(file, Read_Stream, &error));
    if (!gif) {
        const char* reason = GifErrorString(error);
        Report("Cannot read GIF %s: %s.\n", name.c_str(),
               reason ? reason : "its header is damaged");
        return std::nullopt;
    }
    const Pixel_Size size{gif->SWidth, gif->SHeight};
    if (!Image_Size_Allowed("GIF", name, size.width, size.height)) {
        return std::nullopt;
    }
    if (!Find_First_Frame(gif.get(), name)) {
        return std::nullopt;
    }
    // GIF carries no colour profile: its colours are sRGB.
    Image_Target target = Start_Image_Target(size, 1, mode, size);
    if (!Decode_First_Frame(gif.get(), &target, name)) {
        return std::nullopt;
    }
    return Finish_Image_Target(target, DTImageTypeGIF);
}
