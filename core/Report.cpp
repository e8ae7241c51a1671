#include "core/Report.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The capture of each thread, or none: standard error.
thread_local Report_Capture* capture = nullptr;

void Deliver(const std::string& text) {
    if (capture) {
        capture->text += text;
    } else {
        std::fputs(text.c_str(), stderr);
    }
}

} // namespace

void Report(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) {
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    Deliver(text);
}

void Report_Errno(const char* what) {
    const int error = errno;
    char buffer[256];
    // The GNU form, which gives the text, in the buffer or not.
    const char* reason = strerror_r(error, buffer, sizeof buffer);
    Deliver(std::string(what) + ": " + reason + "\n");
}

Report_Capture::Report_Capture() : outer(capture) {
    capture = this;
}

Report_Capture::~Report_Capture() {
    capture = outer;
}
