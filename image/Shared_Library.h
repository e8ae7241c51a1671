#pragma once
// Libraries loaded when first needed rather than linked: a decoder whose
// library is costly to start (C++ constructors, codecs it brings in) then
// costs nothing to runs that read other formats.

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
