// Little-endian data read from raw bytes: single fields whatever the host
// order and alignment (callers check that offset + width lies inside their
// span), and layout structs copied out of a bounded view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint16_t le16_at(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t le32_at(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
        (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t le64_at(const uint8_t *p)
{
    return static_cast<uint64_t>(le32_at(p)) | (static_cast<uint64_t>(le32_at(p + 4)) << 32);
}

inline void put_le16(uint8_t *p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void put_le32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void put_le64(uint8_t *p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A read-only window of bytes.
struct byte_view_s {
    const uint8_t *data = nullptr;
    size_t size = 0;

    bool covers(size_t offset, size_t len) const { return offset <= size && len <= size - offset; }
    byte_view_s sub(size_t offset, size_t len) const { return {data + offset, len}; }
};

// Layout structs hold their fields as they lie on disk, so copying one out
// is only right on a little-endian host.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "layout structs are little-endian");

// Copies a layout struct from offset; false when it does not fit.
template <class T> bool read_struct(byte_view_s bytes, size_t offset, T &out)
{
    if (!bytes.covers(offset, sizeof(T)))
        return false;
    memcpy(&out, bytes.data + offset, sizeof(T));
    return true;
}
