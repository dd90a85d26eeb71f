#include "volume_probe.h"

#include <array>
#include <cstring>
#include <vector>

#include "libexfat/exfat_boot.h"
#include "libfat/fat_boot.h"
#include "libntfs/boot_sector.h"
#include "platform/le_bytes.h"

namespace {

using sector_t = std::array<uint8_t, 512>;

bool signed_55aa(const uint8_t *s)
{
    return s[510] == 0x55 && s[511] == 0xAA;
}

std::optional<sector_t> sector_at(const sector_reader_fn &read, uint64_t lba)
{
    sector_t s;
    if (!read(lba, 1, s.data()))
        return std::nullopt;
    return s;
}

// The first FAT entry holds the media byte, then all ones.
bool fat_starts_at(const sector_reader_fn &read, uint64_t lba, uint8_t media)
{
    auto s = sector_at(read, lba);
    return s && (*s)[0] == media && (*s)[1] == 0xFF && (*s)[2] == 0xFF;
}

bool fsinfo_at(const sector_reader_fn &read, uint64_t lba)
{
    auto s = sector_at(read, lba);
    return s && le32_at(s->data()) == 0x41615252 && le32_at(s->data() + 484) == 0x61417272;
}

uint8_t fat_type_byte(fat_type_e type)
{
    return type == fat32 ? 0x0C : type == fat12 ? 0x01 : 0x06;
}

std::optional<volume_find_s> probe_fat(uint64_t lba, const uint8_t *sector, const sector_reader_fn &read)
{
    fat_geometry_s g;
    if (parse_fat_boot(sector, 512, 0, g) != 0)
        return std::nullopt;
    const uint8_t media = sector[21];
    const uint64_t reserved = g.fat_start;
    uint64_t start = lba;
    if (!fat_starts_at(read, lba + reserved, media)) {
        // FAT32 keeps a copy of its boot sector at 6: this may be that copy.
        const bool copy = g.type == fat32 && le16_at(sector + 50) == 6 && lba >= 6 &&
            fat_starts_at(read, lba - 6 + reserved, media);
        if (copy)
            start = lba - 6;
        else if (!(g.type == fat32 && g.fsinfo_sector && fsinfo_at(read, lba + g.fsinfo_sector) &&
                   sector_at(read, lba + 6) == sector_at(read, lba)))
            return std::nullopt;
    }
    static const char *const names[] = {"FAT", "FAT12", "FAT16", "FAT32"};
    return volume_find_s{names[g.type], fat_type_byte(g.type), start, g.total_sectors};
}

bool mft_at(const sector_reader_fn &read, uint64_t lba)
{
    auto s = sector_at(read, lba);
    return s && memcmp(s->data(), "FILE", 4) == 0;
}

std::optional<volume_find_s> probe_ntfs(uint64_t lba, const uint8_t *sector, const sector_reader_fn &read)
{
    ntfs_geometry_s g;
    if (!parse_boot_sector(byte_view_s{sector, 512}, g) || g.sector_size != 512)
        return std::nullopt;
    // The volume's length leaves out the copy of the boot sector in the
    // partition's last sector; a length that wraps would stall the search.
    const uint64_t total = le64_at(sector + 40);
    const uint64_t mft = g.mft_lcn * (g.cluster_size / 512);
    if (total == UINT64_MAX)
        return std::nullopt;
    uint64_t start = lba;
    if (!mft_at(read, lba + mft) && lba >= total && mft_at(read, lba - total + mft))
        start = lba - total;
    return volume_find_s{"NTFS", 0x07, start, total + 1};
}

bool exfat_region_ok(const sector_reader_fn &read, uint64_t lba)
{
    std::vector<uint8_t> region(12 * 512);
    return read(lba, 12, region.data()) && exfat_boot_checksum_ok(region.data(), 512);
}

bool exfat_fat_at(const sector_reader_fn &read, uint64_t lba)
{
    auto s = sector_at(read, lba);
    return s && le32_at(s->data()) == 0xFFFFFFF8 && le32_at(s->data() + 4) == 0xFFFFFFFF;
}

std::optional<volume_find_s> probe_exfat(uint64_t lba, const uint8_t *sector, const sector_reader_fn &read)
{
    exfat_geometry_s g;
    if (parse_exfat_boot(sector, 512, g) != 0 || g.sector_bytes() != 512 || !exfat_region_ok(read, lba))
        return std::nullopt;
    uint64_t start = lba;
    // The backup boot region follows the main one at 12.
    if (!exfat_fat_at(read, lba + g.fat_offset) && lba >= 12 && exfat_fat_at(read, lba - 12 + g.fat_offset))
        start = lba - 12;
    return volume_find_s{"exFAT", 0x07, start, g.volume_sectors};
}

// ext2/3/4 superblock fields.
constexpr size_t ext_inodes = 0x00, ext_blocks = 0x04, ext_first_block = 0x14, ext_log_block = 0x18,
                 ext_per_group = 0x20, ext_inodes_per_group = 0x28, ext_magic = 0x38, ext_group = 0x5A,
                 ext_compat = 0x5C, ext_incompat = 0x60, ext_blocks_hi = 0x150;

std::optional<volume_find_s> probe_ext(uint64_t lba, const uint8_t *s)
{
    if (le16_at(s + ext_magic) != 0xEF53)
        return std::nullopt;
    const uint32_t log_block = le32_at(s + ext_log_block);
    if (log_block > 6)
        return std::nullopt;
    const uint64_t block = 1024ull << log_block;
    const uint32_t incompat = le32_at(s + ext_incompat);
    uint64_t blocks = le32_at(s + ext_blocks);
    if (incompat & 0x80)
        blocks |= uint64_t{le32_at(s + ext_blocks_hi)} << 32;
    const uint64_t first = le32_at(s + ext_first_block), per_group = le32_at(s + ext_per_group);
    const uint64_t inodes_per_group = le32_at(s + ext_inodes_per_group);
    if (first != (block == 1024 ? 1u : 0u) || per_group == 0 || per_group > 8 * block || inodes_per_group == 0 ||
        blocks <= first)
        return std::nullopt;
    const uint64_t groups = (blocks - first + per_group - 1) / per_group;
    if (uint64_t{le32_at(s + ext_inodes)} != groups * inodes_per_group)
        return std::nullopt;
    // The first superblock lies 1024 bytes in; copies start their group.
    const uint64_t group = le16_at(s + ext_group);
    if (group >= groups)
        return std::nullopt;
    const uint64_t offset = group == 0 ? 1024 : (first + group * per_group) * block;
    if (offset % 512 != 0 || offset / 512 > lba)
        return std::nullopt;
    const uint32_t compat = le32_at(s + ext_compat);
    const char *name = (incompat & (0x40 | 0x80 | 0x200)) ? "ext4" : (compat & 0x4) ? "ext3" : "ext2";
    return volume_find_s{name, 0x83, lba - offset / 512, blocks * (block / 512)};
}

// The swap signature ends the first 4 KiB page; its header sits 1024 bytes in.
std::optional<volume_find_s> probe_swap(uint64_t lba, const uint8_t *s, const sector_reader_fn &read)
{
    if (lba < 7 || memcmp(s + 502, "SWAPSPACE2", 10) != 0)
        return std::nullopt;
    auto header = sector_at(read, lba - 5);
    if (!header || le32_at(header->data()) != 1)
        return std::nullopt;
    const uint64_t last_page = le32_at(header->data() + 4);
    if (last_page == 0)
        return std::nullopt;
    return volume_find_s{"swap", 0x82, lba - 7, (last_page + 1) * 8};
}

} // namespace

std::optional<volume_find_s> probe_volume_at(uint64_t lba, const uint8_t *sector, const sector_reader_fn &read)
{
    std::optional<volume_find_s> find;
    if (signed_55aa(sector)) {
        if (memcmp(sector + 3, "NTFS    ", 8) == 0)
            find = probe_ntfs(lba, sector, read);
        else if (memcmp(sector + 3, "EXFAT   ", 8) == 0)
            find = probe_exfat(lba, sector, read);
        else
            find = probe_fat(lba, sector, read);
    }
    if (!find)
        find = probe_ext(lba, sector);
    if (!find)
        find = probe_swap(lba, sector, read);
    if (find && find->sectors == 0)
        return std::nullopt;
    return find;
}

uint8_t mbr_type_for(const char *file_system)
{
    static const struct {
        const char *name;
        uint8_t type;
    } known[] = {{"NTFS", 0x07}, {"exFAT", 0x07}, {"FAT32", 0x0C}, {"FAT", 0x06}, {"swap", 0x82}};
    for (const auto &k : known)
        if (strcmp(k.name, file_system) == 0)
            return k.type;
    return 0x83;
}
