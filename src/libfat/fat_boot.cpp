#include "fat_boot.h"

#include <cstring>

#include "platform/fat_layout.h"

using namespace fat_layout;

static constexpr int no_file_system = 13;

boot_kind_e classify_boot_sector(const uint8_t *sector, size_t len)
{
    if (len < sector_bytes || le16_at(sector + boot::signature) != boot::signature_value)
        return boot_kind_e::not_boot;
    if (memcmp(sector + boot::fs_type_16, "FAT", 3) == 0 || memcmp(sector + boot::fs_type_32, "FAT", 3) == 0)
        return boot_kind_e::fat;
    return boot_kind_e::boot_without_fat;
}

int parse_fat_boot(const uint8_t *sector, size_t len, uint64_t base, fat_geometry_s &out)
{
    if (classify_boot_sector(sector, len) != boot_kind_e::fat)
        return no_file_system;
    if (le16_at(sector + boot::bytes_per_sector) != sector_bytes)
        return no_file_system;
    const uint8_t spc = sector[boot::sectors_per_cluster];
    const uint16_t reserved = le16_at(sector + boot::reserved_sectors);
    const uint8_t fats = sector[boot::fat_count];
    const uint16_t root_entries = le16_at(sector + boot::root_entries);
    if (spc == 0 || (spc & (spc - 1)) != 0 || reserved == 0 || (fats != 1 && fats != 2) ||
        root_entries % entries_per_sector != 0)
        return no_file_system;
    uint64_t total = le16_at(sector + boot::total_sectors_16);
    if (total == 0)
        total = le32_at(sector + boot::total_sectors_32);
    uint64_t fat_size = le16_at(sector + boot::fat_sectors_16);
    if (fat_size == 0)
        fat_size = le32_at(sector + boot::fat_sectors_32);

    const uint64_t system = reserved + fats * fat_size + root_entries / entries_per_sector;
    if (total < system)
        return no_file_system;
    const uint64_t clusters = (total - system) / spc;
    if (clusters == 0 || clusters > 0x0FFFFFF5)
        return no_file_system;

    fat_geometry_s g;
    g.type = clusters < 4086 ? fat12 : clusters > 65525 ? fat32 : fat16;
    g.cluster_sectors = spc;
    g.fat_count = fats;
    g.root_entries = root_entries;
    g.fat_entries = static_cast<uint32_t>(clusters + 2);
    g.fat_sectors = static_cast<uint32_t>(fat_size);
    g.total_sectors = total;
    g.fat_start = base + reserved;
    g.data_start = base + system;
    uint64_t fat_bytes;
    if (g.type == fat32) {
        if (root_entries != 0)
            return no_file_system;
        g.root_base = le32_at(sector + boot::root_cluster_32);
        const uint16_t fsinfo = le16_at(sector + boot::fsinfo_sector_32);
        g.fsinfo_sector = fsinfo != 0 && fsinfo < reserved ? base + fsinfo : 0;
        fat_bytes = uint64_t{g.fat_entries} * 4;
    } else {
        if (root_entries == 0)
            return no_file_system;
        g.root_base = g.fat_start + fats * fat_size;
        fat_bytes =
            g.type == fat16 ? uint64_t{g.fat_entries} * 2 : uint64_t{g.fat_entries} * 3 / 2 + (g.fat_entries & 1);
    }
    if (fat_size < (fat_bytes + sector_bytes - 1) / sector_bytes)
        return no_file_system;
    out = g;
    return 0;
}
