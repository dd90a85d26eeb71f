// Which sectors count as the start of a lost NTFS or FAT32 partition.
#include <gtest/gtest.h>

#include "boot_sectors.h"
#include "core/partitions/boot_sector_probe.h"

namespace {

std::optional<boot_sector_hit_s> test(const test_sector_t &s, const test_sector_t &next = test_sector_t{})
{
    return recognise_boot_sector(s.data(), s.size(), next.data(), next.size());
}

TEST(boot_sector_probe, ntfs_count_includes_the_backup_boot_sector)
{
    auto hit = test(ntfs_boot_sector(1000000));
    ASSERT_TRUE(hit);
    EXPECT_STREQ(hit->file_system, "NTFS");
    EXPECT_EQ(hit->type_id, 7);
    EXPECT_EQ(hit->sector_count, 1000001u);
    // Needs no signed successor, but its own signature and the exact name.
    auto unsigned_sector = ntfs_boot_sector(100);
    unsigned_sector[511] = 0;
    EXPECT_FALSE(test(unsigned_sector));
    auto other = ntfs_boot_sector(100);
    memcpy(other.data() + 3, "NTFS3   ", 8);
    EXPECT_FALSE(test(other));
}

TEST(boot_sector_probe, fat32_needs_a_signed_successor_and_a_windows_name)
{
    auto hit = test(fat32_boot_sector(81920), signed_sector());
    ASSERT_TRUE(hit);
    EXPECT_STREQ(hit->file_system, "FAT32");
    EXPECT_EQ(hit->type_id, 12);
    EXPECT_EQ(hit->sector_count, 81920u);
    // A boot sector copied elsewhere without its FSInfo sector is not a partition start.
    EXPECT_FALSE(test(fat32_boot_sector(81920), test_sector_t{}));
    // Any version after the five letters; nothing else.
    EXPECT_TRUE(test(fat32_boot_sector(100, "MSDOS5.0"), signed_sector()));
    EXPECT_TRUE(test(fat32_boot_sector(100, "MSWINxyz"), signed_sector()));
    EXPECT_FALSE(test(fat32_boot_sector(100, "mkfs.fat"), signed_sector()));
    EXPECT_FALSE(test(fat32_boot_sector(100, "MSWI"), signed_sector()));
}

TEST(boot_sector_probe, lengths_that_would_stall_the_search_are_refused)
{
    EXPECT_FALSE(test(ntfs_boot_sector(0)));
    EXPECT_FALSE(test(ntfs_boot_sector(UINT64_MAX))); // + 1 wraps to 0
    EXPECT_FALSE(test(fat32_boot_sector(0), signed_sector()));
}

} // namespace
