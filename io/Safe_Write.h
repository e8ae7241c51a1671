#pragma once
// Replacing a file without ever losing the old one: the bytes go to a
// temporary file beside the target, are flushed to disk, and only then take
// the target's name. Where the folder allows no new file but the target may
// be written, the target is written in place instead.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A seam for tests: a non-zero errno makes that step fail as if the system had
// reported it. `write_limit` (when not negative) makes writes fail with
// `write_errno` once that many bytes are written.
struct Write_Faults {
    int write_errno = 0;
    long write_limit = -1;
    int fsync_errno = 0;
    int close_errno = 0;
    int rename_errno = 0;
    int temp_errno = 0; // making the temporary file
    // When not null, the name of each real call that succeeds ("write",
    // "fsync", "close", "rename"), in the order made: no injected fault
    // shows whether the real call runs, or when.
    std::vector<std::string>* calls = nullptr;
};
extern Write_Faults write_faults;

// Writes the bytes to `path` (through a symbolic link to the file it names).
// The new file keeps the old one's permissions, or gets 0666 less the umask.
// On failure returns false with the system's reason in `reason`; any existing
// file is untouched and no temporary file is left. When the folder refuses a
// temporary file (EACCES, EPERM) and the target is a file that can be opened
// for writing, the bytes are written over it and synced; a failure then can
// leave it damaged, as any program that writes in place would.
bool Write_File_Safely(const std::string& path, const std::uint8_t* bytes, std::size_t size,
                       std::string* reason);
