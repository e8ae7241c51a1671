#pragma once
// Importing an image: its four conversions side by side in the chooser, and
// the one the user clicks.

#include "core/MQ4_Document.h"
#include "quant/OctQuant.h"

#include <optional>
#include <string>

// The picture the user chose, titled after the image file; none when the file
// cannot be used or no chooser could be shown (the reason has been printed).
// The conversions work in the workspace, which the program keeps for all its
// imports.
std::optional<MQ4_Document> Get_User_Pic(const std::string& path, Octree_Workspace& workspace);
