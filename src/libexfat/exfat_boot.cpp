#include "exfat_boot.h"

#include <cstring>

#include "exfat_layout.h"
#include "platform/le_bytes.h"

using namespace exfat_layout;

static constexpr int no_file_system = 13;

bool is_exfat_boot(const uint8_t *sector, size_t len)
{
    return len >= boot::min_bytes && memcmp(sector + boot::fs_name, "EXFAT   ", 8) == 0 &&
        sector[boot::jump] == 0xEB && sector[boot::jump + 1] == 0x76 && sector[boot::jump + 2] == 0x90;
}

int parse_exfat_boot(const uint8_t *sector, size_t len, exfat_geometry_s &out)
{
    if (!is_exfat_boot(sector, len) || le16_at(sector + boot::signature) != 0xAA55)
        return no_file_system;
    for (size_t i = 0; i < boot::must_be_zero_length; ++i)
        if (sector[boot::must_be_zero + i] != 0)
            return no_file_system;
    exfat_geometry_s g;
    g.sector_shift = sector[boot::sector_shift];
    g.cluster_shift = sector[boot::cluster_shift];
    g.fat_count = sector[boot::fat_count];
    g.volume_flags = le16_at(sector + boot::volume_flags);
    g.volume_sectors = le64_at(sector + boot::volume_length);
    g.fat_offset = le32_at(sector + boot::fat_offset);
    g.fat_length = le32_at(sector + boot::fat_length);
    g.heap_offset = le32_at(sector + boot::heap_offset);
    g.cluster_count = le32_at(sector + boot::cluster_count);
    g.root_cluster = le32_at(sector + boot::root_cluster);
    g.serial = le32_at(sector + boot::serial);
    if (g.sector_shift < 9 || g.sector_shift > 12 || g.sector_shift + g.cluster_shift > 25 ||
        (g.fat_count != 1 && g.fat_count != 2))
        return no_file_system;
    if (g.cluster_count == 0 || g.cluster_count > 0xFFFFFFF5u || g.fat_offset < 24 || g.fat_length == 0)
        return no_file_system;
    const uint64_t fats_end = uint64_t{g.fat_offset} + uint64_t{g.fat_length} * g.fat_count;
    const uint64_t heap_end = g.heap_offset + (uint64_t{g.cluster_count} << g.cluster_shift);
    if (g.heap_offset < fats_end || heap_end > g.volume_sectors || g.volume_sectors >> (63 - g.sector_shift) != 0)
        return no_file_system;
    if ((uint64_t{g.cluster_count} + 2) * 4 > uint64_t{g.fat_length} << g.sector_shift)
        return no_file_system;
    if (!g.in_heap(g.root_cluster))
        return no_file_system;
    out = g;
    return 0;
}

uint32_t exfat_boot_checksum(const uint8_t *region, size_t sector_size)
{
    uint32_t sum = 0;
    const size_t bytes = sector_size * checksummed_sectors;
    for (size_t i = 0; i < bytes; ++i) {
        if (i == boot::volume_flags || i == boot::volume_flags + 1 || i == boot::percent_in_use)
            continue;
        sum = ((sum & 1) ? 0x80000000u : 0) + (sum >> 1) + region[i];
    }
    return sum;
}

bool exfat_boot_checksum_ok(const uint8_t *region, size_t sector_size)
{
    if (sector_size < boot::min_bytes || sector_size % 4 != 0)
        return false;
    const uint32_t sum = exfat_boot_checksum(region, sector_size);
    const uint8_t *check = region + sector_size * checksummed_sectors;
    for (size_t i = 0; i < sector_size; i += 4)
        if (le32_at(check + i) != sum)
            return false;
    return true;
}
