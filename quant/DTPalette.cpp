#include "quant/DTPalette.h"

DTPixel FindClosestColorFromPalette(DTPixel color, const DTPalette& palette) {
    if (palette.count <= 0) {
        return color;
    }
    int best_distance = 3 * 255 * 255 + 1;
    int best_index = 0;
    for (int i = 0; i < palette.count; ++i) {
        const DTPixel& entry = palette.colors[i];
        const int dr = color.r - entry.r;
        const int dg = color.g - entry.g;
        const int db = color.b - entry.b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best_index = i;
        }
    }
    return palette.colors[best_index];
}
