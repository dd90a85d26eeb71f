#include "boot_sector_probe.h"

#include <cstring>

#include "boot_sector_layout.h"
#include "platform/le_bytes.h"

namespace bs = boot_sector_layout;

namespace {

bool oem_starts_with(const uint8_t *s, const char *text)
{
    return memcmp(s + bs::oem_name, text, strlen(text)) == 0;
}

} // namespace

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
