#include "exfat_upcase.h"

#include "platform/le_bytes.h"

uint32_t exfat_table_checksum(const uint8_t *bytes, size_t len)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < len; ++i)
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + bytes[i];
    return sum;
}

bool exfat_upcase_c::load(const uint8_t *bytes, size_t len, uint32_t stored_checksum)
{
    map_.clear();
    if (len < 2 || exfat_table_checksum(bytes, len) != stored_checksum)
        return false;
    std::vector<char16_t> map;
    map.reserve(0x10000);
    for (size_t i = 0; i + 1 < len; i += 2) {
        const uint16_t v = le16_at(bytes + i);
        if (v == 0xFFFF && i + 3 < len) {
            const uint16_t run = le16_at(bytes + i + 2);
            i += 2;
            for (uint32_t k = 0; k < run && map.size() < 0x10000; ++k)
                map.push_back(static_cast<char16_t>(map.size()));
        } else if (map.size() < 0x10000) {
            map.push_back(static_cast<char16_t>(v));
        } else {
            return false;
        }
    }
    map_ = std::move(map);
    return true;
}
