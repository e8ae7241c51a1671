#pragma once
// What the decoders of the further formats share: a whole stream read into
// memory, for the libraries that take a file as bytes (WebP, HEIF), and
// their messages made into part of one line.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// A library's message as the middle of one of ours: without the line ends
// and the full stop some libraries end theirs with.
std::string Library_Reason(const char* message);

// Every byte left in the stream; none after a report naming the file as a
// file of `kind` ("WebP", "HEIF").
std::optional<std::vector<std::uint8_t>> Read_Stream_Bytes(std::FILE* file, const char* kind,
                                                           const std::string& name);
