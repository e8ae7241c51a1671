#pragma once
// A stream whose first bytes are looked at to tell what it holds, and that is
// then read again from its first byte: by seeking back where the stream can,
// by replaying those bytes where it cannot (standard input from a pipe).

#include "core/File_Handle.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

// Enough for every signature told apart (a WebP or HEIF file needs 12).
constexpr std::size_t peeked_size = 12;

struct Replay_Source; // Peeked_Stream.cpp

struct Peeked_Stream {
    // The first bytes; fewer when the stream is shorter.
    std::uint8_t head[peeked_size] = {};
    std::size_t head_size = 0;
    // Where the stream is read from its first byte.
    std::FILE* file = nullptr;

    std::unique_ptr<Replay_Source> source;
    File_Handle replay; // reads from `source`, so goes first

    Peeked_Stream();
    Peeked_Stream(const Peeked_Stream&) = delete;
    Peeked_Stream& operator=(const Peeked_Stream&) = delete;
    ~Peeked_Stream();
};

// Looks at the first bytes of a stream positioned at its first byte. False
// after a report when the stream cannot be read again.
bool Peek_Stream(std::FILE* file, Peeked_Stream* peeked);
