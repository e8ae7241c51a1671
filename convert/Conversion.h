#pragma once
// Turning an image into 16-colour pictures: the octree conversion with and
// without error diffusion, and the four candidates that an import offers.

#include "core/DTImage.h"
#include "core/MQ4_Document.h"
#include "core/Method.h"
#include "quant/OctQuant.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The import's candidates: the first four methods, in the chooser's order.
constexpr int candidate_count = 4;
using Candidates = std::array<MQ4_Document, candidate_count>;

// Whether the image has the 12288 pixels a picture needs; reports its size
// when it has not.
bool Image_Fills_Picture(const DTImage& image);

// The first 12288 pixels of the image in storage order, as a 128x96 image
// (black where an image too small to fill a picture ends).
DTImage Working_Image(const DTImage& loaded);

// The functions that reduce colours do it in the workspace they are handed
// (see quant/OctQuant.h): one per thread.

// The colours of a working image's octree reduction without diffusion, in
// order of first appearance.
std::vector<DTPixel> Octree_Colors(const DTImage& working, Octree_Workspace& workspace);

// The same for rows of 128 pixels, as many as the pixels fill (the pixels of
// many working images one after another).
std::vector<DTPixel> Octree_Colors(const std::vector<DTPixel>& pixels, Octree_Workspace& workspace);

// The octree conversion of an image that fills a picture; dither non-zero
// selects error diffusion. Colours are numbered in order of first appearance;
// palette entries beyond the picture's colours are black. No names are set.
MQ4_Document Convert_Image(const DTImage& loaded, int dither, Octree_Workspace& workspace);

// All four candidates of an image that fills a picture, without titles.
Candidates Build_Candidates(const DTImage& loaded, Octree_Workspace& workspace);

// The one candidate of the method, exactly as Build_Candidates makes it, without
// the work of the others.
MQ4_Document Build_Candidate(const DTImage& loaded, Method method, Octree_Workspace& workspace);

// Loads an image that fills a picture, keeping only its first 12288 pixels
// (its width, height and pixel count stay the file's); none when the file
// cannot be read or is too small (the reason has been reported).
std::optional<DTImage> Load_Picture_Image(const std::string& path);

// Loads the file and converts it; no picture as above.
std::optional<MQ4_Document> Load_PNG_File(const std::string& path, int dither,
                                          Octree_Workspace& workspace);

// Loads the file once and builds its four candidates, or none as above.
std::optional<Candidates> Load_Candidates(const std::string& path, Octree_Workspace& workspace);
