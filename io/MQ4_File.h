#pragma once
// The MQ4 picture file: 6657 bytes at fixed offsets, big-endian.

#include "core/MQ4_Document.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

constexpr std::size_t mq4_file_size = 6657;
constexpr std::size_t mq4_palette_offset = 65;
constexpr std::size_t mq4_pixel_offset = 513;

using MQ4_Bytes = std::array<std::uint8_t, mq4_file_size>;

// The file's bytes for a picture; palette words come from the display colours.
MQ4_Bytes Encode_MQ4(const MQ4_Document& doc);

// Palette words and indices from the first 6657 bytes of a file. Names are
// left as they are.
void Decode_MQ4(const MQ4_Bytes& bytes, MQ4_Document* doc);

// A stored word to its display colour: each 5-bit channel v becomes 8 v.
std::int32_t Decode_555(std::uint16_t word);

// Whether bytes begin as every MQ4 file does (12 FF 90, the start of its
// fixed header).
bool Is_MQ4_Signature(const std::uint8_t* bytes, std::size_t size);

// Reads the picture at `path` and names it after the path. On failure reports
// the reason (core/Report.h) and returns false.
bool Read_MQ4_File(const std::string& path, MQ4_Document* doc);

// Reads a picture from an open stream at its first byte, without naming it;
// `name` stands for the file in messages. False after a report.
bool Read_MQ4_Stream(std::FILE* file, const std::string& name, MQ4_Document* doc);

// Writes the picture safely (see Safe_Write.h). On failure reports
// "Could not save PATH: REASON" and returns false.
bool Write_MQ4_File(const std::string& path, const MQ4_Document& doc);
