#include "image/Shared_Library.h"

#include <dlfcn.h>

namespace {

std::string Loader_Reason(const std::string& fallback) {
    const char* const message = dlerror();
    return message ? message : fallback;
}

} // namespace

void* Open_Shared_Library(const char* soname, std::string* why) {
    // Never closed: the functions found in it are kept for the process.
    void* const library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        *why = Loader_Reason(soname);
    }
    return library;
}

void* Find_Library_Function(void* library, const char* name, std::string* why) {
    dlerror();
    void* const address = dlsym(library, name);
    if (!address) {
        *why = Loader_Reason(std::string(name) + " not found");
    }
    return address;
}
