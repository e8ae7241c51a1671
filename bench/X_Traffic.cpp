#include "bench/X_Traffic.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// XSync sends GetInputFocus: one 4-byte request.
constexpr long sync_request_bytes = 4;

} // namespace

long Bytes_Written() {
    std::FILE* io = std::fopen("/proc/self/io", "r");
    if (!io) {
        return -1;
    }
    long written = -1;
    char line[128];
    while (std::fgets(line, sizeof line, io)) {
        if (std::sscanf(line, "wchar: %ld", &written) == 1) {
            break;
        }
    }
    std::fclose(io);
    return written;
}

Traffic Measure_Traffic(Display* display, const std::function<void()>& send) {
    XSync(display, False);
    Traffic traffic;
    const long bytes_before = Bytes_Written();
    const unsigned long before = XNextRequest(display);
    const auto start = std::chrono::steady_clock::now();
    send();
    traffic.requests = XNextRequest(display) - before;
    XSync(display, False);
    const auto end = std::chrono::steady_clock::now();
    const long bytes_after = Bytes_Written();
    traffic.micros = std::chrono::duration<double, std::micro>(end - start).count();
    if (bytes_before >= 0 && bytes_after >= 0) {
        traffic.bytes = bytes_after - bytes_before - sync_request_bytes;
    }
    return traffic;
}

bool Byte_Count_Works(Display* display) {
    // PolyFillRectangle: 12 bytes of header and 8 per rectangle.
    constexpr int count = 100;
    std::vector<XRectangle> rectangles(count, XRectangle{0, 0, 1, 1});
    const Pixmap pixmap = XCreatePixmap(display, DefaultRootWindow(display), 1, 1, 24);
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XSync(display, False);
    const Traffic traffic = Measure_Traffic(
        display, [&] { XFillRectangles(display, pixmap, gc, rectangles.data(), count); });
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
    return traffic.bytes == 12 + 8 * count;
}
