#include "image/HEIF_Library.h"

#include "image/Shared_Library.h"

#include <optional>

namespace {

struct Loaded_Heif {
    std::optional<Heif_Functions> functions;
    std::string why;
};

#define FIND(function) Find_Library_Function(library, #function, &found.function, &loaded.why)

Loaded_Heif Load_Heif() {
    Loaded_Heif loaded;
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
    // Initialised once, by whichever thread comes first; the others wait.
    static const Loaded_Heif loaded = Load_Heif();
    if (!loaded.functions) {
        *why = loaded.why;
        return nullptr;
    }
    return &*loaded.functions;
}
