#include "core/File_Handle.h"

#include <cerrno>
#include <sys/stat.h>

File_Handle Open_For_Reading(const char* path) {
    File_Handle file(std::fopen(path, "rb"));
    struct stat info {};
    if (file && fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        file.reset();
        errno = EISDIR;
    }
    return file;
}
