#include "image/HEIF_Library.h"

#include "image/Shared_Library.h"

namespace {

#define FIND(function) Find_Library_Function(library, #function, &found.function, &loaded.why)

Loaded_Functions<Heif_Functions> Load_Heif() {
    Loaded_Functions<Heif_Functions> loaded;
    void* const library = Open_Shared_Library("libheif.so.1", &loaded.why);
    if (!library) {
        return loaded;
    }
    Heif_Functions found{};
    if (FIND(heif_context_alloc) && FIND(heif_context_free) &&
        FIND(heif_context_read_from_memory_without_copy) &&
        FIND(heif_context_get_primary_image_handle) && FIND(heif_image_handle_release) &&
        FIND(heif_image_handle_get_width) && FIND(heif_image_handle_get_height) &&
        FIND(heif_image_handle_get_nclx_color_profile) &&
        FIND(heif_image_handle_get_raw_color_profile_size) &&
        FIND(heif_image_handle_get_raw_color_profile) && FIND(heif_nclx_color_profile_free) &&
        FIND(heif_decode_image) && FIND(heif_image_release) && FIND(heif_image_get_width) &&
        FIND(heif_image_get_height) && FIND(heif_image_get_plane_readonly)) {
        loaded.functions = found;
    }
    return loaded;
}

#undef FIND

} // namespace

const Heif_Functions* Heif_Library(std::string* why) {
    return Library_Functions<Heif_Functions, Load_Heif>(why);
}
