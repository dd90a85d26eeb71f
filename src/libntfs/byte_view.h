// A read-only window of bytes and little-endian reads from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct byte_view_s {
    const uint8_t *data = nullptr;
    size_t size = 0;

    bool covers(size_t offset, size_t len) const { return offset <= size && len <= size - offset; }
    byte_view_s sub(size_t offset, size_t len) const { return {data + offset, len}; }
};

// Copies a layout struct from offset; false when it does not fit.
template <class T>
bool read_struct(byte_view_s bytes, size_t offset, T &out)
{
    if (!bytes.covers(offset, sizeof(T)))
        return false;
    memcpy(&out, bytes.data + offset, sizeof(T));
    return true;
}
