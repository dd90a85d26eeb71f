#include "exfat_test_volume.h"

#include <cstring>

#include "libexfat/exfat_boot.h"
#include "libexfat/exfat_entry_set.h"
#include "libexfat/exfat_upcase.h"
#include "platform/le_bytes.h"

namespace {

std::vector<uint8_t> upcase_table()
{
    std::vector<uint16_t> t = {0xFFFF, 0x61};
    for (char16_t c = u'A'; c <= u'Z'; ++c)
        t.push_back(c);
    t.push_back(0xFFFF);
    t.push_back(static_cast<uint16_t>(0x10000 - 0x7B));
    std::vector<uint8_t> bytes(t.size() * 2);
    for (size_t i = 0; i < t.size(); ++i)
        put_le16(bytes.data() + 2 * i, t[i]);
    return bytes;
}

} // namespace

exfat_test_volume_c::exfat_test_volume_c() : bytes(512 * 512)
{
    uint8_t *b = bytes.data();
    b[0] = 0xEB, b[1] = 0x76, b[2] = 0x90;
    memcpy(b + 3, "EXFAT   ", 8);
    put_le64(b + 72, 512);
    put_le32(b + 80, 24);
    put_le32(b + 84, 8);
    put_le32(b + 88, 32);
    put_le32(b + 92, cluster_count);
    put_le32(b + 96, root);
    put_le32(b + 100, 0x12345678);
    put_le16(b + 104, 0x0100);
    b[108] = 9, b[109] = 0, b[110] = 1, b[111] = 0x80;
    put_le16(b + 510, 0xAA55);
    for (int s = 1; s <= 8; ++s)
        put_le32(b + s * 512 + 508, 0xAA550000);
    put_le32(bytes.data() + 24 * 512, 0xFFFFFFF8);
    put_le32(bytes.data() + 24 * 512 + 4, 0xFFFFFFFF);
    for (uint32_t c = 2; c < next_; ++c) {
        set_fat(c, c > root && c + 1 < next_ ? c + 1 : 0xFFFFFFFF);
        set_bitmap(c, true);
    }
    set_fat(root, root + 1);
    const std::vector<uint8_t> up = upcase_table();
    memcpy(cluster(3), up.data(), up.size());
    uint8_t *e = cluster(root);
    e[0] = 0x81;
    put_le32(e + 20, 2);
    put_le64(e + 24, cluster_count / 8);
    e += 32;
    e[0] = 0x82;
    put_le32(e + 4, exfat_table_checksum(up.data(), up.size()));
    put_le32(e + 20, 3);
    put_le64(e + 24, up.size());
    e += 32;
    e[0] = 0x83; // label "CARD"
    e[1] = 4;
    for (int i = 0; i < 4; ++i)
        put_le16(e + 2 + 2 * i, static_cast<uint16_t>("CARD"[i]));
    seal();
}

uint32_t exfat_test_volume_c::take(uint32_t count, bool live)
{
    const uint32_t at = next_;
    next_ += count;
    for (uint32_t c = 0; live && c < count; ++c) {
        set_bitmap(at + c, true);
        set_fat(at + c, c + 1 < count ? at + c + 1 : 0xFFFFFFFF);
    }
    return at;
}

void exfat_test_volume_c::set_fat(uint32_t c, uint32_t next)
{
    put_le32(bytes.data() + 24 * 512 + 4 * uint64_t{c}, next);
}

void exfat_test_volume_c::set_bitmap(uint32_t c, bool used)
{
    uint8_t &byte = cluster(2)[(c - 2) / 8];
    const uint8_t bit = static_cast<uint8_t>(1u << ((c - 2) % 8));
    byte = used ? (byte | bit) : (byte & ~bit);
}

size_t exfat_test_volume_c::add_set(uint32_t folder, size_t slot, const test_set_s &set)
{
    const size_t name_entries = (set.name.size() + 14) / 15;
    const size_t count = 2 + name_entries;
    uint8_t *e = cluster(folder) + slot * 32;
    memset(e, 0, count * 32);
    e[0] = 0x85;
    e[1] = static_cast<uint8_t>(count - 1);
    put_le16(e + 4, set.folder ? 0x10 : 0x20);
    put_le32(e + 8, set.modified);
    put_le32(e + 12, set.modified);
    put_le32(e + 16, set.modified);
    e[23] = 0x80; // UTC
    uint8_t *st = e + 32;
    st[0] = 0xC0;
    st[1] = static_cast<uint8_t>(0x01 | (set.no_chain ? 0x02 : 0));
    st[3] = static_cast<uint8_t>(set.name_length >= 0 ? set.name_length : static_cast<int>(set.name.size()));
    exfat_upcase_c up;
    const std::vector<uint8_t> table = upcase_table();
    up.load(table.data(), table.size(), exfat_table_checksum(table.data(), table.size()));
    put_le16(st + 4, exfat_name_hash(set.name.data(), set.name.size(), up));
    put_le64(st + 8, set.length);
    put_le32(st + 20, set.first);
    put_le64(st + 24, set.length);
    for (size_t i = 0; i < set.name.size(); ++i) {
        uint8_t *n = e + (2 + i / 15) * 32;
        n[0] = 0xC1;
        put_le16(n + 2 + 2 * (i % 15), set.name[i]);
    }
    put_le16(e + 2, exfat_set_checksum(e, count, false));
    for (size_t k = 0; set.deleted && k < count; ++k)
        e[k * 32] &= 0x7F;
    return slot + count;
}

void exfat_test_volume_c::fill(uint32_t first, const std::vector<uint8_t> &data)
{
    memcpy(cluster(first), data.data(), data.size());
}

void exfat_test_volume_c::seal()
{
    const uint32_t sum = exfat_boot_checksum(bytes.data(), 512);
    for (int i = 0; i < 512; i += 4)
        put_le32(bytes.data() + 11 * 512 + i, sum);
    memcpy(bytes.data() + 12 * 512, bytes.data(), 12 * 512);
}

std::vector<uint8_t> test_bytes(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t &b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return v;
}
