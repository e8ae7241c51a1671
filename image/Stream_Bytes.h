#pragma once
// A whole stream read into memory, for the decoders whose libraries take a
// file as bytes (WebP, HEIF).

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// Every byte left in the stream; none after a report naming the file as a
// file of `kind` ("WebP", "HEIF").
std::optional<std::vector<std::uint8_t>> Read_Stream_Bytes(std::FILE* file, const char* kind,
                                                           const std::string& name);
