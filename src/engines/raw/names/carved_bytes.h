// The bytes of one carved file as the name readers see them (the carver's
// own source of a candidate's bytes), and the text decoders they share.
// Every reader asks for bounded pieces at offsets from the file's first
// byte and copes with getting fewer bytes than asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "libsc/checks/sc_check.h"
#include "platform/le_bytes.h"

using carved_bytes_c = sc_source_c; // limit() is the file's length

// Up to len bytes at pos; shorter at the end of the file.
std::string bytes_at(carved_bytes_c &file, uint64_t pos, size_t len);
// The last len bytes (all of a shorter file), and where they start.
std::string tail_of(carved_bytes_c &file, size_t len, uint64_t *start);

// Text decoders to UTF-8. Each stops at the first zero character.
void append_utf8(std::string &out, char32_t c);
std::string latin1_to_utf8(std::string_view bytes);
std::string utf16_to_utf8(std::string_view bytes, bool big_endian);
// UTF-16 after a byte-order mark (little-endian without one).
std::string utf16_bom_to_utf8(std::string_view bytes);

// Fixed-width integers at p, which holds at least as many bytes.
inline uint16_t get_le16(const char *p)
{
    return le16_at(reinterpret_cast<const uint8_t *>(p));
}
inline uint32_t get_le32(const char *p)
{
    return le32_at(reinterpret_cast<const uint8_t *>(p));
}
inline uint16_t get_be16(const char *p)
{
    auto b = reinterpret_cast<const uint8_t *>(p);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}
inline uint32_t get_be32(const char *p)
{
    return uint32_t(get_be16(p)) << 16 | get_be16(p + 2);
}
