#include "exfat_boot.h"

#include <cstring>

#include "platform/le_bytes.h"

namespace {

constexpr int no_file_system = 13;

// Main boot sector fields (byte offsets).
constexpr size_t oem_name = 3;
constexpr size_t must_be_zero = 11; // 11..63
constexpr size_t must_be_zero_end = 64;
constexpr size_t partition_offset = 64;
constexpr size_t volume_length = 72;
constexpr size_t fat_offset = 80;
constexpr size_t fat_length = 84;
constexpr size_t heap_offset = 88;
constexpr size_t cluster_count = 92;
constexpr size_t root_cluster = 96;
constexpr size_t serial = 100;
constexpr size_t volume_flags = 106;
constexpr size_t sector_shift = 108;
constexpr size_t cluster_shift = 109;
constexpr size_t fat_count = 110;
constexpr size_t percent_in_use = 112;
constexpr size_t signature = 510;
constexpr size_t checksummed_sectors = 11;

} // namespace

int parse_exfat_boot(const uint8_t *s, size_t len, exfat_geometry_s &out)
{
    if (!s || len < 512 || memcmp(s + oem_name, "EXFAT   ", 8) != 0 || s[signature] != 0x55 ||
        s[signature + 1] != 0xAA)
        return no_file_system;
    for (size_t i = must_be_zero; i < must_be_zero_end; ++i)
        if (s[i] != 0)
            return no_file_system;
    const unsigned bps_shift = s[sector_shift], spc_shift = s[cluster_shift];
    if (bps_shift < 9 || bps_shift > 12 || bps_shift + spc_shift > 25 || (s[fat_count] != 1 && s[fat_count] != 2))
        return no_file_system;
    exfat_geometry_s g;
    g.sector_size = 1u << bps_shift;
    g.cluster_sectors = 1u << spc_shift;
    g.fat_count = s[fat_count];
    g.partition_offset = le64_at(s + partition_offset);
    g.volume_sectors = le64_at(s + volume_length);
    g.fat_offset = le32_at(s + fat_offset);
    g.fat_sectors = le32_at(s + fat_length);
    g.heap_offset = le32_at(s + heap_offset);
    g.cluster_count = le32_at(s + cluster_count);
    g.root_cluster = le32_at(s + root_cluster);
    g.serial = le32_at(s + serial);
    // The layout the format fixes: FAT after the boot regions, heap after the
    // FATs, clusters inside the volume, a FAT big enough for them.
    const uint64_t heap_end = g.heap_offset + uint64_t{g.cluster_count} * g.cluster_sectors;
    const uint64_t fat_bytes = (uint64_t{g.cluster_count} + 2) * 4;
    if (g.fat_offset < 24 || g.fat_sectors == 0 ||
        g.heap_offset < g.fat_offset + uint64_t{g.fat_sectors} * g.fat_count || heap_end > g.volume_sectors ||
        g.cluster_count == 0 || uint64_t{g.fat_sectors} * g.sector_size < fat_bytes || g.root_cluster < 2 ||
        g.root_cluster - 2 >= g.cluster_count || g.volume_sectors < (uint64_t{1} << (20 - bps_shift)))
        return no_file_system;
    out = g;
    return 0;
}

bool exfat_boot_checksum_ok(const uint8_t *region, size_t sector_size)
{
    if (!region || sector_size < 512)
        return false;
    uint32_t sum = 0;
    for (size_t i = 0; i < checksummed_sectors * sector_size; ++i) {
        if (i == volume_flags || i == volume_flags + 1 || i == percent_in_use)
            continue;
        sum = ((sum & 1) ? 0x80000000u : 0u) + (sum >> 1) + region[i];
    }
    const uint8_t *check = region + checksummed_sectors * sector_size;
    for (size_t i = 0; i < sector_size; i += 4)
        if (le32_at(check + i) != sum)
            return false;
    return true;
}
