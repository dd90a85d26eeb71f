#include "fat_test_image.h"

#include <cstring>

#include "libfat/fat_dir.h"

static void put16(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

static void put32(uint8_t *p, uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

fat_test_image_c::fat_test_image_c(int fat_bits, uint8_t cluster_sectors, uint32_t total_sectors, uint16_t root_entries)
    : fat_bits_(fat_bits), cluster_sectors_(cluster_sectors), bytes_(total_sectors * 512ull)
{
    uint32_t root_sectors = root_entries / 16;
    uint32_t fat_sectors = 1;
    for (;;) {
        uint32_t clusters = (total_sectors - 1 - 2 * fat_sectors - root_sectors) / cluster_sectors;
        uint32_t need = fat_bits == 12 ? ((clusters + 2) * 3 + 1) / 2 : (clusters + 2) * 2;
        uint32_t sectors = (need + 511) / 512;
        if (sectors <= fat_sectors)
            break;
        fat_sectors = sectors;
    }
    fat_sectors_ = fat_sectors;
    root_sector_ = 1 + 2 * fat_sectors;
    data_start_ = root_sector_ + root_sectors;

    uint8_t *b = bytes_.data();
    b[0] = 0xEB;
    b[1] = 0x3C;
    b[2] = 0x90;
    memcpy(b + 3, "TESTFAT ", 8);
    put16(b + 11, 512);
    b[13] = cluster_sectors;
    put16(b + 14, 1);
    b[16] = 2;
    put16(b + 17, root_entries);
    if (total_sectors < 0x10000)
        put16(b + 19, total_sectors);
    else
        put32(b + 32, total_sectors);
    b[21] = 0xF8;
    put16(b + 22, fat_sectors);
    memcpy(b + 54, fat_bits == 12 ? "FAT12   " : "FAT16   ", 8);
    put16(b + 510, 0xAA55);
    set_fat(0, 0xFFF8);
    set_fat(1, 0xFFFF);
}

uint64_t fat_test_image_c::cluster_offset(uint32_t cluster) const
{
    return (data_start_ + uint64_t{cluster - 2} * cluster_sectors_) * 512;
}

void fat_test_image_c::set_fat(uint32_t cluster, uint32_t value)
{
    for (int copy = 0; copy < 2; ++copy) {
        uint8_t *fat = bytes_.data() + (1 + copy * fat_sectors_) * 512ull;
        if (fat_bits_ == 16) {
            put16(fat + cluster * 2, value);
            continue;
        }
        uint8_t *p = fat + cluster + cluster / 2;
        value &= 0xFFF;
        if (cluster & 1) {
            p[0] = static_cast<uint8_t>((p[0] & 0x0F) | (value << 4));
            p[1] = static_cast<uint8_t>(value >> 4);
        } else {
            p[0] = static_cast<uint8_t>(value);
            p[1] = static_cast<uint8_t>((p[1] & 0xF0) | (value >> 8));
        }
    }
}

void fat_test_image_c::chain(uint32_t first, uint32_t count)
{
    for (uint32_t i = 0; i + 1 < count; ++i)
        set_fat(first + i, first + i + 1);
    set_fat(first + count - 1, 0xFFFF);
}

void fat_test_image_c::fill(uint32_t cluster, uint32_t count, uint8_t value)
{
    memset(bytes_.data() + cluster_offset(cluster), value, count * cluster_bytes());
}

uint8_t *fat_test_image_c::slot(uint32_t dir, uint32_t index)
{
    uint64_t at = dir == 0 ? root_sector_ * 512ull : cluster_offset(dir);
    return bytes_.data() + at + index * 32ull;
}

void fat_test_image_c::entry(uint32_t dir, uint32_t index, const char *name11, uint8_t attributes, uint32_t cluster,
                             uint32_t size, uint16_t created_date, uint16_t created_time)
{
    uint8_t *e = slot(dir, index);
    memset(e, 0, 32);
    memcpy(e, name11, 11);
    e[11] = attributes;
    put16(e + 14, created_time);
    put16(e + 16, created_date);
    put16(e + 20, cluster >> 16);
    put16(e + 22, created_time);
    put16(e + 24, created_date);
    put16(e + 26, cluster);
    put32(e + 28, size);
}

uint32_t fat_test_image_c::long_entry(uint32_t dir, uint32_t index, const std::u16string &name, const char *name11,
                                      uint8_t attributes, uint32_t cluster, uint32_t size)
{
    const uint8_t sum = fat_short_name_checksum(reinterpret_cast<const uint8_t *>(name11));
    const uint32_t pieces = static_cast<uint32_t>((name.size() + 12) / 13);
    static const int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (uint32_t p = 0; p < pieces; ++p) {
        uint32_t order = pieces - p;
        uint8_t *e = slot(dir, index + p);
        memset(e, 0, 32);
        e[0] = static_cast<uint8_t>(order | (p == 0 ? 0x40 : 0));
        e[11] = 0x0F;
        e[13] = sum;
        for (int k = 0; k < 13; ++k) {
            size_t at = (order - 1) * 13 + k;
            uint16_t c = at < name.size() ? name[at] : at == name.size() ? 0 : 0xFFFF;
            put16(e + offsets[k], c);
        }
    }
    entry(dir, index + pieces, name11, attributes, cluster, size);
    return index + pieces;
}

std::shared_ptr<block_device_c> fat_test_image_c::device() const
{
    return std::make_shared<memory_device_c>(bytes_);
}
