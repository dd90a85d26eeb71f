#include "fat_codepage.h"

#include <algorithm>
#include <cstring>

static const fat_code_pair_s *find_pair(const fat_code_pair_s *table, size_t count, uint16_t key)
{
    const fat_code_pair_s *end = table + count;
    const fat_code_pair_s *it =
        std::lower_bound(table, end, key, [](const fat_code_pair_s &p, uint16_t k) { return p.from < k; });
    return it != end && it->from == key ? it : nullptr;
}

char16_t fat_oem_to_unicode(uint16_t code)
{
    if (code < 0x80)
        return code;
    const fat_code_pair_s *p = find_pair(cp936_oem_to_unicode, cp936_oem_to_unicode_count, code);
    return p ? p->to : u'?';
}

uint16_t fat_unicode_to_oem(char16_t c)
{
    if (c < 0x80)
        return c;
    const fat_code_pair_s *p = find_pair(cp936_unicode_to_oem, cp936_unicode_to_oem_count, c);
    return p ? p->to : 0;
}

char16_t fat_upper(char16_t c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    const fat_code_pair_s *p = find_pair(unicode_upper_case, unicode_upper_case_count, c);
    return p ? p->to : c;
}

uint16_t fat_short_name_code(char16_t c)
{
    uint16_t oem = fat_unicode_to_oem(fat_upper(c));
    if (oem == 0 || (c < 0x80 && std::strchr("+,;=[]", static_cast<char>(c))))
        oem = '_';
    return oem;
}

std::u16string fat_decode_oem(const uint8_t *bytes, size_t len)
{
    std::u16string out;
    out.reserve(len);
    for (size_t i = 0; i < len; ++i) {
        uint16_t code = bytes[i];
        if (fat_is_lead_byte(bytes[i])) {
            if (i + 1 < len && fat_is_trail_byte(bytes[i + 1])) {
                code = static_cast<uint16_t>((bytes[i] << 8) | bytes[i + 1]);
                ++i;
            } else if (i + 1 < len) {
                code = 0xFFFF; // a lead byte cut off from its trail byte
            }
        }
        out.push_back(fat_oem_to_unicode(code));
    }
    return out;
}
