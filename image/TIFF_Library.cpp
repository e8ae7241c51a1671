#include "image/TIFF_Library.h"

#include "image/Shared_Library.h"

namespace {

#define FIND(function) Find_Library_Function(library, #function, &found.function, &loaded.why)

Loaded_Functions<Tiff_Functions> Load_Tiff() {
    Loaded_Functions<Tiff_Functions> loaded;
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
    return Library_Functions<Tiff_Functions, Load_Tiff>(why);
}
