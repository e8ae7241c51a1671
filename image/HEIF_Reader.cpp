#include "image/HEIF_Reader.h"

#include "core/Report.h"
#include "image/HEIF_Library.h"
#include "image/Image_Size.h"
#include "image/Image_Target.h"
#include "image/Shared_Library.h"
#include "image/Stream_Bytes.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

using Context_Deleter = Library_Free<Heif_Functions, &Heif_Functions::heif_context_free>;
using Handle_Deleter = Library_Free<Heif_Functions, &Heif_Functions::heif_image_handle_release>;
using Image_Deleter = Library_Free<Heif_Functions, &Heif_Functions::heif_image_release>;
using Nclx_Deleter = Library_Free<Heif_Functions, &Heif_Functions::heif_nclx_color_profile_free>;

bool Failed(const heif_error& error, const std::string& name) {
    if (error.code == heif_error_Ok) {
        return false;
    }
    Report("Cannot read HEIF %s: %s.\n", name.c_str(), Library_Reason(error.message).c_str());
    return true;
}

// The tone curve an nclx box names. The video curves (BT.709, BT.601,
// BT.2020) are camera encodings that displays show as sRGB, and are taken so.
// An nclx field as a number: a file may hold a value that is none of the
// enumeration's, which must not be read as one.
template <typename Field> int Code_Of(const Field& field) {
    static_assert(sizeof(Field) == sizeof(int));
    int code = 0;
    std::memcpy(&code, &field, sizeof code);
    return code;
}

Described_Profile::Curve Nclx_Curve(int transfer, double* gamma) {
    switch (transfer) {
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
        *gamma = 2.2;
        return Described_Profile::Curve::gamma;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
        *gamma = 2.8;
        return Described_Profile::Curve::gamma;
    case heif_transfer_characteristic_linear:
        *gamma = 1.0;
        return Described_Profile::Curve::gamma;
    default:
        return Described_Profile::Curve::srgb;
    }
}

Color_Transform Nclx_To_sRGB(const Heif_Functions& heif, const heif_image_handle* handle,
                             const std::string& name) {
    heif_color_profile_nclx* got = nullptr;
    const heif_error error = heif.heif_image_handle_get_nclx_color_profile(handle, &got);
    // libheif can hand out a profile together with an error; it is ours to free either way.
    const std::unique_ptr<heif_color_profile_nclx, Nclx_Deleter> nclx(got, {&heif});
    if (error.code != heif_error_Ok || !nclx) {
        return nullptr;
    }
    Described_Profile described;
    if (Code_Of(nclx->color_primaries) != heif_color_primaries_unspecified) {
        described.red_x = nclx->color_primary_red_x;
        described.red_y = nclx->color_primary_red_y;
        described.green_x = nclx->color_primary_green_x;
        described.green_y = nclx->color_primary_green_y;
        described.blue_x = nclx->color_primary_blue_x;
        described.blue_y = nclx->color_primary_blue_y;
        described.white_x = nclx->color_primary_white_x;
        described.white_y = nclx->color_primary_white_y;
    }
    described.curve = Nclx_Curve(Code_Of(nclx->transfer_characteristics), &described.gamma);
    return Described_To_sRGB(described, name);
}

Color_Transform Profile_Of(const Heif_Functions& heif, const heif_image_handle* handle,
                           const std::string& name) {
    const std::size_t size = heif.heif_image_handle_get_raw_color_profile_size(handle);
    if (size == 0) {
        return Nclx_To_sRGB(heif, handle, name);
    }
    std::vector<std::uint8_t> icc(size);
    if (heif.heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok) {
        Warn_Unreadable_Profile(name);
        return nullptr;
    }
    return ICC_To_sRGB(icc.data(), icc.size(), Sample_Layout::rgb, name);
}

} // namespace

bool Is_HEIF_Signature(const std::uint8_t* bytes, std::size_t size) {
    if (size < 12 || std::memcmp(bytes + 4, "ftyp", 4) != 0) {
        return false;
    }
    static const char* const brands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                         "mif1", "msf1", "avif", "avis", "mif2"};
    for (const char* brand : brands) {
        if (std::memcmp(bytes + 8, brand, 4) == 0) {
            return true;
        }
    }
    return false;
}

std::optional<DTImage> Read_HEIF(std::FILE* file, const std::string& name, Fit_Mode mode) {
    std::string why;
    const Heif_Functions* const library = Heif_Library(&why);
    if (!library) {
        Report("Cannot read HEIF %s: %s.\n", name.c_str(), Library_Reason(why.c_str()).c_str());
        return std::nullopt;
    }
    const Heif_Functions& heif = *library;
    const std::optional<std::vector<std::uint8_t>> bytes = Read_Stream_Bytes(file, "HEIF", name);
    if (!bytes) {
        return std::nullopt;
    }
    const std::unique_ptr<heif_context, Context_Deleter> context(heif.heif_context_alloc(),
                                                                 {&heif});
    if (!context) {
        Report("Cannot read HEIF %s: not enough memory to decode it.\n", name.c_str());
        return std::nullopt;
    }
    if (Failed(heif.heif_context_read_from_memory_without_copy(context.get(), bytes->data(),
                                                               bytes->size(), nullptr),
               name)) {
        return std::nullopt;
    }
    heif_image_handle* got_handle = nullptr;
    if (Failed(heif.heif_context_get_primary_image_handle(context.get(), &got_handle), name)) {
        return std::nullopt;
    }
    const std::unique_ptr<heif_image_handle, Handle_Deleter> handle(got_handle, {&heif});
    const int width = heif.heif_image_handle_get_width(handle.get());
    const int height = heif.heif_image_handle_get_height(handle.get());
    if (!Image_Size_Allowed("HEIF", name, width, height)) {
        return std::nullopt;
    }
    heif_image* got_image = nullptr;
    // libheif's default options turn and mirror the image as the file asks.
    if (Failed(heif.heif_decode_image(handle.get(), &got_image, heif_colorspace_RGB,
                                      heif_chroma_interleaved_RGB, nullptr),
               name)) {
        return std::nullopt;
    }
    const std::unique_ptr<heif_image, Image_Deleter> image(got_image, {&heif});
    const Pixel_Size size{heif.heif_image_get_width(image.get(), heif_channel_interleaved),
                          heif.heif_image_get_height(image.get(), heif_channel_interleaved)};
    int stride = 0;
    const std::uint8_t* plane =
        heif.heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || !Image_Sides_Allowed(size.width, size.height)) {
        Report("Cannot read HEIF %s: it decodes to no usable image.\n", name.c_str());
        return std::nullopt;
    }
    Image_Target target =
        Start_Image_Target(size, 1, mode, size, Profile_Of(heif, handle.get(), name));
    std::vector<DTPixel> row(static_cast<std::size_t>(size.width));
    for (int y = 0; y < size.height; ++y) {
        if (Target_Wants_Row(target, y)) {
            std::memcpy(row.data(), plane + static_cast<std::ptrdiff_t>(y) * stride,
                        row.size() * 3);
            Add_Target_Row(&target, y, row.data());
        }
    }
    return Finish_Image_Target(target, DTImageTypeHEIF);
}
