#pragma once
// The desktop icon, made from the start window's banner.

#include "core/DTImage.h"

// The banner in its display colours, 640 x 180.
DTImage Logo_Image();

// Where the icon is cut from the banner: a square around the "Ze" and the
// red bar below it.
constexpr int icon_crop_left = 45;
constexpr int icon_crop_top = 0;
constexpr int icon_crop_side = 180;

constexpr int min_icon_size = 16;
constexpr int max_icon_size = 1024;

// The icon at size x size (16 to 1024): the square scaled by averaging the
// banner pixels each icon pixel covers, weighted by how much it covers them.
DTImage Icon_Image(int size);
