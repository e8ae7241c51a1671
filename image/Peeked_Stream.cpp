#include "image/Peeked_Stream.h"

#include "core/Report.h"

#include <algorithm>
#include <cstring>

// The bytes already taken from a stream, then the rest of it.
struct Replay_Source {
    std::uint8_t head[peeked_size] = {};
    std::size_t size = 0;
    std::size_t at = 0;
    std::FILE* rest = nullptr;
};

namespace {

ssize_t Replay_Read(void* cookie, char* buffer, std::size_t size) {
    auto* source = static_cast<Replay_Source*>(cookie);
    const std::size_t from_head = std::min(size, source->size - source->at);
    std::memcpy(buffer, source->head + source->at, from_head);
    source->at += from_head;
    if (from_head == size) {
        return static_cast<ssize_t>(size);
    }
    const std::size_t got = std::fread(buffer + from_head, 1, size - from_head, source->rest);
    if (got == 0 && from_head == 0 && std::ferror(source->rest)) {
        return -1;
    }
    return static_cast<ssize_t>(from_head + got);
}

} // namespace

Peeked_Stream::Peeked_Stream() = default;
Peeked_Stream::~Peeked_Stream() = default;

bool Peek_Stream(std::FILE* file, Peeked_Stream* peeked) {
    peeked->head_size = std::fread(peeked->head, 1, peeked_size, file);
    if (std::fseek(file, -static_cast<long>(peeked->head_size), SEEK_CUR) == 0) {
        peeked->file = file;
        return true;
    }
    std::clearerr(file);
    peeked->source = std::make_unique<Replay_Source>();
    std::copy_n(peeked->head, peeked->head_size, peeked->source->head);
    peeked->source->size = peeked->head_size;
    peeked->source->rest = file;
    peeked->replay.reset(
        fopencookie(peeked->source.get(), "rb", {Replay_Read, nullptr, nullptr, nullptr}));
    if (!peeked->replay) {
        Report_Errno("Could not open image file");
        return false;
    }
    peeked->file = peeked->replay.get();
    return true;
}
