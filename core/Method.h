#pragma once
// The converter's methods in one table: each one's name, where its own
// palette comes from and how it maps pixels onto a palette. Every choice
// made by method reads this table. The window program's import offers the
// first four, in its chooser's order.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

enum class Method : int {
    floyd_steinberg,
    diffusion,
    octree,
    closest,
    refined,
    refined_dither,
};

// Where a method's own palette comes from.
enum class Palette_Fit {
    octree, // the octree's 16 colours
    grid,   // k-means on the hardware's levels, started from the octree's colours
};

// How a method gives each pixel a palette colour.
enum class Pixel_Mapping {
    import_dither,    // the import's Floyd-Steinberg in 8-bit steps, left to right
    octree_diffusion, // the octree's own error diffusion (its own palette only)
    octree_leaf,      // the colour of the pixel's octree node (its own palette only)
    nearest,          // the nearest palette colour
    grid_diffusion,   // Floyd-Steinberg against the shown colours, serpentine
};

struct Method_Row {
    Method method;
    const char* name;
    Palette_Fit fit;
    Pixel_Mapping mapping;
    // Whether it can map onto a palette that is given (--palette) or shared
    // by a batch rather than fitted to the one image.
    bool takes_palette;
};

inline constexpr std::array<Method_Row, 6> method_table{{
    {Method::floyd_steinberg, "floyd-steinberg", Palette_Fit::octree, Pixel_Mapping::import_dither,
     true},
    {Method::diffusion, "diffusion", Palette_Fit::octree, Pixel_Mapping::octree_diffusion, false},
    {Method::octree, "octree", Palette_Fit::octree, Pixel_Mapping::octree_leaf, false},
    {Method::closest, "closest", Palette_Fit::octree, Pixel_Mapping::nearest, true},
    {Method::refined, "refined", Palette_Fit::grid, Pixel_Mapping::nearest, true},
    {Method::refined_dither, "refined-dither", Palette_Fit::grid, Pixel_Mapping::grid_diffusion,
     true},
}};
constexpr int method_count = static_cast<int>(method_table.size());

// The position of a method in the table, and in the import's candidates.
constexpr std::size_t Index(Method method) {
    return static_cast<std::size_t>(method);
}

constexpr const Method_Row& Method_Info(Method method) {
    return method_table[Index(method)];
}

// The method of a command-line name; none for an unknown name.
constexpr std::optional<Method> Method_Named(std::string_view name) {
    for (const Method_Row& row : method_table) {
        if (name == row.name) {
            return row.method;
        }
    }
    return std::nullopt;
}

// The table lists its methods in their own order.
static_assert([] {
    for (std::size_t i = 0; i < method_table.size(); ++i) {
        if (Index(method_table[i].method) != i) {
            return false;
        }
    }
    return true;
}());
