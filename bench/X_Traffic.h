#pragma once
// What a piece of drawing costs on the wire: requests, bytes and the time
// until the server has done it.

#include <X11/Xlib.h>
#include <chrono>
#include <functional>

struct Traffic {
    unsigned long requests = 0;
    long bytes = -1; // -1: the byte count is not available
    double micros = 0;
};

// Bytes this process has written so far (wchar of /proc/self/io), which on
// Linux includes what Xlib writes to the server's socket; -1 when unreadable.
long Bytes_Written();

// Whether Bytes_Written counts a known request exactly on this connection.
bool Byte_Count_Works(Display* display);

// Runs `send` once between two XSyncs: the requests it queues (XNextRequest
// before and after), the bytes written for them (the XSync's own 4-byte
// request taken off) and the time until the server has answered the XSync.
Traffic Measure_Traffic(Display* display, const std::function<void()>& send);
