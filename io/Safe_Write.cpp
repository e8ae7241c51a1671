#include "io/Safe_Write.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

Write_Faults write_faults;

namespace {

std::string Folder_Of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Base_Of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links so that the link stays and the file it names is
// replaced. A dangling link is followed too: the file is created where it points.
std::string Final_Target(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t length = readlink(path.c_str(), buffer.data(), PATH_MAX);
        if (length < 0) {
            return path;
        }
        std::string link(buffer.data(), static_cast<std::size_t>(length));
        path = link.starts_with('/') ? link : Folder_Of(path) + "/" + link;
    }
    return path;
}

mode_t New_File_Mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Fails with the injected errno, if any, before the real call is made.
bool Injected(int injected) {
    if (injected != 0) {
        errno = injected;
        return true;
    }
    return false;
}

// The call's outcome, named in the seam's record when it succeeded.
bool Made(bool succeeded, const char* call) {
    if (succeeded && write_faults.calls) {
        write_faults.calls->push_back(call);
    }
    return succeeded;
}

bool Write_All(int fd, const std::uint8_t* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        std::size_t chunk = size - done;
        if (write_faults.write_errno != 0 && write_faults.write_limit >= 0) {
            const auto limit = static_cast<std::size_t>(write_faults.write_limit);
            if (done >= limit) {
                errno = write_faults.write_errno;
                return false;
            }
            chunk = std::min(chunk, limit - done);
        }
        const ssize_t written = write(fd, bytes + done, chunk);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return Made(true, "write");
}

enum class In_Place { not_opened, failed, written };

// No O_CREAT: only a file that is there already; O_NONBLOCK so that a FIFO
// cannot hold the save up. The file is written over from its start and cut to
// length afterwards, so it is never emptied before the new bytes are in.
In_Place Write_In_Place(const std::string& target, const std::uint8_t* bytes, std::size_t size,
                        std::string* reason) {
    const int fd = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return In_Place::not_opened;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return In_Place::not_opened;
    }
    bool ok = Write_All(fd, bytes, size) && ftruncate(fd, static_cast<off_t>(size)) == 0 &&
              !Injected(write_faults.fsync_errno) && fsync(fd) == 0;
    int saved_errno = errno;
    const bool closed = close(fd) == 0 && !Injected(write_faults.close_errno);
    if (ok && !closed) {
        ok = false;
        saved_errno = errno;
    }
    if (!ok) {
        *reason = std::strerror(saved_errno);
        return In_Place::failed;
    }
    return In_Place::written;
}

void Sync_Folder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

bool Write_File_Safely(const std::string& path, const std::uint8_t* bytes, std::size_t size,
                       std::string* reason) {
    const std::string target = Final_Target(path);
    const std::string folder = Folder_Of(target);
    std::string temp = folder + "/." + Base_Of(target) + ".XXXXXX";
    const int fd = Injected(write_faults.temp_errno) ? -1 : mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int temp_errno = errno;
        *reason = std::strerror(temp_errno);
        // A folder the user may not add files to can hold a file the user may
        // write; where it cannot be opened either, the folder's reason stands.
        if (temp_errno == EACCES || temp_errno == EPERM) {
            return Write_In_Place(target, bytes, size, reason) == In_Place::written;
        }
        return false;
    }

    struct stat old {};
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Keeping the owner only works for root; otherwise it stays ours.
        [[maybe_unused]] const int ignored = fchown(fd, old.st_uid, old.st_gid);
        fchmod(fd, old.st_mode & 07777);
    } else {
        fchmod(fd, New_File_Mode());
    }

    bool ok = Write_All(fd, bytes, size) && !Injected(write_faults.fsync_errno) &&
              Made(fsync(fd) == 0, "fsync");
    int saved_errno = errno;
    const bool closed = Made(close(fd) == 0, "close") && !Injected(write_faults.close_errno);
    if (ok && !closed) {
        ok = false;
        saved_errno = errno;
    }
    if (ok && (Injected(write_faults.rename_errno) ||
               !Made(rename(temp.c_str(), target.c_str()) == 0, "rename"))) {
        ok = false;
        saved_errno = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        *reason = std::strerror(saved_errno);
        return false;
    }
    Sync_Folder(folder);
    return true;
}
