#pragma once
// zembrix-convert --thumbnail SIZE INPUT OUTPUT: the PNG that file managers
// show for an MQ4 picture (the thumbnailer entry in packaging/).

#include <string>

// The whole-number enlargement at which the 128 x 96 picture fits within
// size x size: at least 1 (a small size gives the picture as it is), at most
// the largest PNG scale.
int Thumbnail_Scale(int size);

// Reads INPUT as an MQ4 picture, whatever its name, and writes its display
// colours to OUTPUT as a PNG. Gives the exit status: 0 written, 1 failed
// (reported on standard error, nothing written).
int Make_Thumbnail(int size, const std::string& input, const std::string& output);
