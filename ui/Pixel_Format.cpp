#include "ui/Pixel_Format.h"

#include <bit>

namespace {

// One 8-bit channel placed under its mask.
unsigned long Channel_Bits(unsigned long channel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    unsigned long value = 0;
    if (bits <= 8) {
        value = channel >> (8 - bits);
    } else {
        // 10-bit channels and the like: 0xFF must become all ones.
        for (int filled = 0; filled < bits; filled += 8) {
            value = value << 8 | channel;
        }
        value >>= (bits + 7) / 8 * 8 - bits;
    }
    return value << shift & mask;
}

} // namespace

unsigned long Pixel_Value(const Pixel_Format& format, unsigned long color) {
    return Channel_Bits(color >> 16 & 0xFF, format.red_mask) |
           Channel_Bits(color >> 8 & 0xFF, format.green_mask) |
           Channel_Bits(color & 0xFF, format.blue_mask) | format.opaque_bits;
}

void Set_Foreground(Display* display, GC gc, const Pixel_Format& format, unsigned long color) {
    XSetForeground(display, gc, Pixel_Value(format, color));
}
