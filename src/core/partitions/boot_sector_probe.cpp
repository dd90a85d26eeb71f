#include "boot_sector_probe.h"

#include <cstring>
#include <limits>

#include "boot_sector_layout.h"
#include "platform/le_bytes.h"

namespace bs = boot_sector_layout;

namespace {

bool has_signature(const uint8_t *s, size_t len)
{
    return len >= bs::sector_bytes && s[bs::signature] == 0x55 && s[bs::signature + 1] == 0xAA;
}

bool oem_starts_with(const uint8_t *s, const char *text)
{
    return memcmp(s + bs::oem_name, text, strlen(text)) == 0;
}

} // namespace

std::optional<boot_sector_hit_s> recognise_boot_sector(const uint8_t *sector, size_t sector_len, const uint8_t *next,
                                                       size_t next_len)
{
    if (!sector || !has_signature(sector, sector_len))
        return std::nullopt;
    if (oem_starts_with(sector, "NTFS    ")) {
        // The field leaves out the backup boot sector in the partition's last sector.
        uint64_t total = le64_at(sector + bs::ntfs_total_sectors);
        if (total == 0 || total == std::numeric_limits<uint64_t>::max())
            return std::nullopt;
        return boot_sector_hit_s{"NTFS", 7, total + 1};
    }
    bool fat_name = oem_starts_with(sector, "MSWIN") || oem_starts_with(sector, "MSDOS");
    if (fat_name && next && has_signature(next, next_len)) {
        uint64_t total = le32_at(sector + bs::fat32_total_sectors);
        if (total == 0)
            return std::nullopt;
        return boot_sector_hit_s{"FAT32", 12, total};
    }
    return std::nullopt;
}

const char *volume_boot_sector_kind(const uint8_t *s)
{
    if (oem_starts_with(s, "NTFS    "))
        return "NTFS";
    if (oem_starts_with(s, "EXFAT   "))
        return "exFAT";
    const bool jump = s[bs::jump] == 0xE9 || (s[bs::jump] == 0xEB && s[bs::jump + 2] == 0x90);
    const uint64_t bytes = le16_at(s + bs::bytes_per_sector);
    const uint8_t cluster = s[bs::sectors_per_cluster];
    const uint8_t media = s[bs::media];
    const bool fat = jump && bytes >= 512 && bytes <= 4096 && (bytes & (bytes - 1)) == 0 && cluster != 0 &&
        (cluster & (cluster - 1)) == 0 && le16_at(s + bs::reserved_sectors) != 0 &&
        (s[bs::fat_count] == 1 || s[bs::fat_count] == 2) && (media == 0xF0 || media >= 0xF8);
    return fat ? "FAT" : nullptr;
}
