#include "carved_bytes.h"

#include <algorithm>

std::string bytes_at(carved_bytes_c &file, uint64_t pos, size_t len)
{
    if (pos >= file.limit())
        return {};
    std::string out(static_cast<size_t>(std::min<uint64_t>(len, file.limit() - pos)), '\0');
    out.resize(file.read(pos, out.data(), out.size()));
    return out;
}

std::string tail_of(carved_bytes_c &file, size_t len, uint64_t *start)
{
    *start = file.limit() > len ? file.limit() - len : 0;
    return bytes_at(file, *start, len);
}

void append_utf8(std::string &out, char32_t c)
{
    if (c >= 0xd800 && c < 0xe000)
        c = 0xfffd; // a lone surrogate is no character
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xc0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
}

std::string latin1_to_utf8(std::string_view bytes)
{
    std::string out;
    for (char b : bytes) {
        if (b == 0)
            break;
        append_utf8(out, static_cast<uint8_t>(b));
    }
    return out;
}

std::string utf16_to_utf8(std::string_view bytes, bool big_endian)
{
    std::string out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = big_endian ? get_be16(bytes.data() + i) : get_le16(bytes.data() + i);
        if (c == 0)
            break;
        if (c >= 0xd800 && c < 0xdc00 && i + 3 < bytes.size()) {
            char32_t low = big_endian ? get_be16(bytes.data() + i + 2) : get_le16(bytes.data() + i + 2);
            if (low >= 0xdc00 && low < 0xe000) {
                c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00);
                i += 2;
            }
        }
        append_utf8(out, c);
    }
    return out;
}

std::string utf16_bom_to_utf8(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xfe && static_cast<uint8_t>(bytes[1]) == 0xff)
        return utf16_to_utf8(bytes.substr(2), true);
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xff && static_cast<uint8_t>(bytes[1]) == 0xfe)
        return utf16_to_utf8(bytes.substr(2), false);
    return utf16_to_utf8(bytes, false);
}
