#pragma once
// Libraries loaded when first needed rather than linked: a decoder whose
// library is costly to start (C++ constructors, codecs it brings in) then
// costs nothing to runs that read other formats.

#include <optional>
#include <string>

// The library of that soname, open for the rest of the process; null when it
// cannot be loaded, with the loader's reason (naming the library) in *why.
void* Open_Shared_Library(const char* soname, std::string* why);

// The address of the library's function `name`; null when it has none, with
// the reason in *why.
void* Find_Library_Function(void* library, const char* name, std::string* why);

// Sets *function to the library's function `name`, typed as its header
// declares it; false when it has none, with the reason in *why.
template <typename Function>
bool Find_Library_Function(void* library, const char* name, Function* function, std::string* why) {
    void* const address = Find_Library_Function(library, name, why);
    *function = reinterpret_cast<Function>(address);
    return address != nullptr;
}

// A library's table of functions, or why it could not be loaded.
template <class Functions> struct Loaded_Functions {
    std::optional<Functions> functions;
    std::string why;
};

// The table Load makes, made on the first call (from any thread; the others
// wait) and kept for the process; null when the library cannot be loaded,
// with the reason in *why.
template <class Functions, Loaded_Functions<Functions> (*Load)()>
const Functions* Library_Functions(std::string* why) {
    static const Loaded_Functions<Functions> loaded = Load();
    if (!loaded.functions) {
        *why = loaded.why;
        return nullptr;
    }
    return &*loaded.functions;
}

// Frees what a loaded library handed out with its function `Free`, for a
// std::unique_ptr.
template <class Functions, auto Free> struct Library_Free {
    const Functions* functions;
    template <class Object> void operator()(Object* object) const { (functions->*Free)(object); }
};
