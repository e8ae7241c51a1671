#pragma once
// libtiff, loaded the first time a TIFF file is read: linked, it would slow
// every run's start by about 2.5 ms (its libLerc brings in the shared C++
// library and its start-up), whatever the file.

#include <string>
#include <tiffio.h>

// The libtiff functions the reader calls, named as libtiff names them (their
// types taken, through ::, from its own declarations).
struct Tiff_Functions {
    decltype(&::TIFFOpenOptionsAlloc) TIFFOpenOptionsAlloc;
    decltype(&::TIFFOpenOptionsFree) TIFFOpenOptionsFree;
    decltype(&::TIFFOpenOptionsSetMaxSingleMemAlloc) TIFFOpenOptionsSetMaxSingleMemAlloc;
    decltype(&::TIFFOpenOptionsSetErrorHandlerExtR) TIFFOpenOptionsSetErrorHandlerExtR;
    decltype(&::TIFFOpenOptionsSetWarningHandlerExtR) TIFFOpenOptionsSetWarningHandlerExtR;
    decltype(&::TIFFClientOpenExt) TIFFClientOpenExt;
    decltype(&::TIFFClose) TIFFClose;
    decltype(&::TIFFGetField) TIFFGetField;
    decltype(&::TIFFGetFieldDefaulted) TIFFGetFieldDefaulted;
    decltype(&::TIFFRGBAImageOK) TIFFRGBAImageOK;
    decltype(&::TIFFIsTiled) TIFFIsTiled;
    decltype(&::TIFFReadRGBAStripExt) TIFFReadRGBAStripExt;
    decltype(&::TIFFReadRGBATileExt) TIFFReadRGBATileExt;
};

// libtiff's functions, loaded on the first call (from any thread) and kept
// for the process; null when libtiff cannot be loaded, with the reason,
// naming the library, in *why.
const Tiff_Functions* Tiff_Library(std::string* why);
