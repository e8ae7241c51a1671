#include "ui/Picture_Painting.h"

#include <algorithm>
#include <unordered_map>

std::vector<XRectangle> Stack_Rows(const std::vector<XRectangle>& rows) {
    std::vector<XRectangle> stacked;
    stacked.reserve(rows.size());
    // The last rectangle made for each span of columns.
    std::unordered_map<std::uint32_t, std::size_t> by_columns;
    for (const XRectangle& row : rows) {
        const std::uint32_t columns =
            static_cast<std::uint32_t>(static_cast<std::uint16_t>(row.x)) << 16 | row.width;
        const auto found = by_columns.find(columns);
        if (found != by_columns.end()) {
            XRectangle& above = stacked[found->second];
            if (above.y + above.height == row.y) {
                above.height = static_cast<unsigned short>(above.height + row.height);
                continue;
            }
        }
        by_columns[columns] = stacked.size();
        stacked.push_back(row);
    }
    return stacked;
}

namespace {

// Each picture's palette indices as ranks in the painting order.
struct Ranked_Pictures {
    std::vector<unsigned long> colors; // painting order
    std::vector<std::array<std::uint8_t, palette_size>> index_ranks;
};

unsigned long Index_Color(const MQ4_Document& picture, int index) {
    return Shown_Color(Color_Word(picture.palette[static_cast<std::size_t>(index)]));
}

Ranked_Pictures Rank_Colors(const std::vector<Placed_Picture>& pictures) {
    std::unordered_map<unsigned long, int> uses;
    for (const Placed_Picture& placed : pictures) {
        std::array<int, palette_size> counts{};
        for (const std::uint8_t index : placed.picture->pixels) {
            // An index above 15 breaks the record's rule; it is painted as
            // its low four bits rather than read past the palette.
            ++counts[index & 0x0F];
        }
        for (int index = 0; index < palette_size; ++index) {
            if (counts[static_cast<std::size_t>(index)] > 0) {
                uses[Index_Color(*placed.picture, index)] +=
                    counts[static_cast<std::size_t>(index)];
            }
        }
    }
    Ranked_Pictures ranked;
    for (const auto& [color, count] : uses) {
        ranked.colors.push_back(color);
    }
    // Most used first; equal counts by colour, so that the order is fixed.
    std::sort(ranked.colors.begin(), ranked.colors.end(), [&](unsigned long a, unsigned long b) {
        return uses[a] != uses[b] ? uses[a] > uses[b] : a < b;
    });
    std::unordered_map<unsigned long, std::uint8_t> rank_of;
    for (std::size_t k = 0; k < ranked.colors.size(); ++k) {
        rank_of[ranked.colors[k]] = static_cast<std::uint8_t>(k);
    }
    for (const Placed_Picture& placed : pictures) {
        std::array<std::uint8_t, palette_size> ranks{};
        for (int index = 0; index < palette_size; ++index) {
            // Unused indices get a rank too; they are never looked up.
            const auto found = rank_of.find(Index_Color(*placed.picture, index));
            ranks[static_cast<std::size_t>(index)] = found == rank_of.end() ? 0 : found->second;
        }
        ranked.index_ranks.push_back(ranks);
    }
    return ranked;
}

struct Open_Run {
    std::uint8_t rank;
    int first;
    int last;
};

// Adds the runs of one picture to the layers: for each rank, every stretch
// of a row that no earlier rank holds, cut to its first and last cell of that
// rank. Open runs form a stack of rising ranks; a cell closes every run above
// its own rank and extends or opens its own.
void Add_Runs(const Placed_Picture& at, const std::array<std::uint8_t, palette_size>& ranks,
              int scale, std::vector<Color_Layer>& layers) {
    std::vector<Open_Run> open;
    const auto close = [&](const Open_Run& run, int row) {
        layers[run.rank].rectangles.push_back(
            XRectangle{static_cast<short>(at.left + run.first * scale),
                       static_cast<short>(at.top + row * scale),
                       static_cast<unsigned short>((run.last - run.first + 1) * scale),
                       static_cast<unsigned short>(scale)});
    };
    for (int row = 0; row < picture_height; ++row) {
        for (int column = 0; column < picture_width; ++column) {
            const std::uint8_t rank =
                ranks[at.picture->pixels[static_cast<std::size_t>(row * picture_width + column)] &
                      0x0F];
            while (!open.empty() && open.back().rank > rank) {
                close(open.back(), row);
                open.pop_back();
            }
            if (!open.empty() && open.back().rank == rank) {
                open.back().last = column;
            } else {
                open.push_back(Open_Run{rank, column, column});
            }
        }
        for (; !open.empty(); open.pop_back()) {
            close(open.back(), row);
        }
    }
}

} // namespace

std::vector<Color_Layer> Layered_Rectangles(const std::vector<Placed_Picture>& pictures,
                                            int scale) {
    const Ranked_Pictures ranked = Rank_Colors(pictures);
    std::vector<Color_Layer> layers;
    for (const unsigned long color : ranked.colors) {
        layers.push_back(Color_Layer{color, {}});
    }
    for (std::size_t p = 0; p < pictures.size(); ++p) {
        Add_Runs(pictures[p], ranked.index_ranks[p], scale, layers);
    }
    for (Color_Layer& layer : layers) {
        layer.rectangles = Stack_Rows(layer.rectangles);
    }
    return layers;
}

void Paint_Layers(const std::vector<Color_Layer>& layers, Display* display, Drawable drawable,
                  GC gc, const Pixel_Format& format) {
    for (const Color_Layer& layer : layers) {
        if (layer.rectangles.empty()) {
            continue;
        }
        Set_Foreground(display, gc, format, layer.color);
        XFillRectangles(display, drawable, gc, const_cast<XRectangle*>(layer.rectangles.data()),
                        static_cast<int>(layer.rectangles.size()));
    }
}

void Paint_Pictures(const std::vector<Placed_Picture>& pictures, int scale, Display* display,
                    Drawable drawable, GC gc, const Pixel_Format& format) {
    Paint_Layers(Layered_Rectangles(pictures, scale), display, drawable, gc, format);
}
