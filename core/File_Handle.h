#pragma once
// Files opened for one call and closed with it.

#include <cstdio>
#include <memory>

struct File_Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File_Handle = std::unique_ptr<std::FILE, File_Closer>;

// Opens a file to read its bytes. A folder opens on Linux but cannot be read:
// it is refused as the system would, with errno EISDIR.
File_Handle Open_For_Reading(const char* path);
