#include "io/PNG_Writer.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct File_Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File_Handle = std::unique_ptr<std::FILE, File_Closer>;

struct Png_Write_State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Png_Write_State() = default;
    Png_Write_State(const Png_Write_State&) = delete;
    Png_Write_State& operator=(const Png_Write_State&) = delete;
    ~Png_Write_State() {
        if (png) {
            png_destroy_write_struct(&png, info ? &info : nullptr);
        }
    }
};

// Removes the temporary file unless the write went through.
struct Temp_File {
    std::string path;
    bool keep = false;
    ~Temp_File() {
        if (!keep && !path.empty()) {
            unlink(path.c_str());
        }
    }
};

void Fill_Scaled_Row(const MQ4_Document& picture, int y, int scale, std::vector<png_byte>* row) {
    std::size_t at = 0;
    for (int x = 0; x < picture_width; ++x) {
        const std::int32_t color = picture.palette_rgb[picture.pixels[y * picture_width + x] & 15];
        for (int copy = 0; copy < scale; ++copy) {
            (*row)[at++] = static_cast<png_byte>((color >> 16) & 0xFF);
            (*row)[at++] = static_cast<png_byte>((color >> 8) & 0xFF);
            (*row)[at++] = static_cast<png_byte>(color & 0xFF);
        }
    }
}

// Holds no object with a destructor: libpng leaves by longjmp on error.
bool Encode(png_structp png, png_infop info, std::FILE* file, const MQ4_Document& picture,
            int scale, std::vector<png_byte>* row) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture_width * scale, picture_height * scale, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture_height; ++y) {
        Fill_Scaled_Row(picture, y, scale, row);
        for (int copy = 0; copy < scale; ++copy) {
            png_write_row(png, row->data());
        }
    }
    png_write_end(png, info);
    return true;
}

bool Write_Png_Stream(std::FILE* file, const MQ4_Document& picture, int scale) {
    Png_Write_State state;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!state.png) {
        return false;
    }
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        return false;
    }
    std::vector<png_byte> row(static_cast<std::size_t>(picture_width) * scale * 3);
    return Encode(state.png, state.info, file, picture, scale, &row);
}

bool Fail(const std::string& path, const char* reason) {
    std::fprintf(stderr, "Could not save %s: %s\n", path.c_str(), reason);
    return false;
}

const char* Errno_Reason(const char* fallback) {
    return errno != 0 ? std::strerror(errno) : fallback;
}

mode_t Default_File_Mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool Write_PNG_Picture(const std::string& path, const MQ4_Document& picture, int scale) {
    if (scale < min_png_scale || scale > max_png_scale) {
        return Fail(path, "scale out of range");
    }
    Temp_File temp{path + ".tmp-XXXXXX"};
    const int fd = mkstemp(temp.path.data());
    if (fd < 0) {
        temp.path.clear();
        return Fail(path, std::strerror(errno));
    }
    File_Handle file(fdopen(fd, "wb"));
    if (!file) {
        const int error = errno;
        close(fd);
        return Fail(path, std::strerror(error));
    }
    errno = 0;
    if (!Write_Png_Stream(file.get(), picture, scale)) {
        return Fail(path, Errno_Reason("the PNG encoder failed"));
    }
    if (std::fflush(file.get()) != 0 || fsync(fileno(file.get())) != 0 ||
        fchmod(fileno(file.get()), Default_File_Mode()) != 0) {
        return Fail(path, std::strerror(errno));
    }
    if (std::fclose(file.release()) != 0) {
        return Fail(path, std::strerror(errno));
    }
    if (std::rename(temp.path.c_str(), path.c_str()) != 0) {
        return Fail(path, std::strerror(errno));
    }
    temp.keep = true;
    return true;
}
