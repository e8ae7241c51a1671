#include "image/TIFF_Library.h"

#include "image/Shared_Library.h"

#include <optional>

namespace {

struct Loaded_Tiff {
    std::optional<Tiff_Functions> functions;
    std::string why;
};

#define FIND(function) Find_Library_Function(library, #function, &found.function, &loaded.why)

Loaded_Tiff Load_Tiff() {
    Loaded_Tiff loaded;
    void* const library = Open_Shared_Library("libtiff.so.6", &loaded.why);
    if (!library) {
        return loaded;
    }
    Tiff_Functions found{};
    if (FIND(TIFFOpenOptionsAlloc) && FIND(TIFFOpenOptionsFree) &&
        FIND(TIFFOpenOptionsSetMaxSingleMemAlloc) && FIND(TIFFOpenOptionsSetErrorHandlerExtR) &&
        FIND(TIFFOpenOptionsSetWarningHandlerExtR) && FIND(TIFFClientOpenExt) && FIND(TIFFClose) &&
        FIND(TIFFGetField) && FIND(TIFFGetFieldDefaulted) && FIND(TIFFRGBAImageOK) &&
        FIND(TIFFIsTiled) && FIND(TIFFReadRGBAStripExt) && FIND(TIFFReadRGBATileExt)) {
        loaded.functions = found;
    }
    return loaded;
}

#undef FIND

} // namespace

const Tiff_Functions* Tiff_Library(std::string* why) {
    // Initialised once, by whichever thread comes first; the others wait.
    static const Loaded_Tiff loaded = Load_Tiff();
    if (!loaded.functions) {
        *why = loaded.why;
        return nullptr;
    }
    return &*loaded.functions;
}
