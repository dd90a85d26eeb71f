// Which sectors place a lost partition: a file system's own structures, or
// the copies it keeps of them, never the name a formatter wrote.
#include <gtest/gtest.h>

#include <map>

#include "boot_sectors.h"
#include "core/partitions/volume_probe.h"

namespace {

struct disk_s {
    std::map<uint64_t, test_sector_t> sectors;
    void put(uint64_t lba, const test_sector_t &s) { sectors[lba] = s; }

    std::optional<volume_find_s> probe(uint64_t lba) const
    {
        const sector_reader_fn read = [this](uint64_t at, uint32_t count, uint8_t *out) {
            for (uint32_t k = 0; k < count; ++k) {
                auto it = sectors.find(at + k);
                test_sector_t s = it == sectors.end() ? test_sector_t{} : it->second;
                memcpy(out + k * 512, s.data(), 512);
            }
            return true;
        };
        auto it = sectors.find(lba);
        test_sector_t s = it == sectors.end() ? test_sector_t{} : it->second;
        return probe_volume_at(lba, s.data(), read);
    }
};

test_sector_t mft_record()
{
    test_sector_t s{};
    memcpy(s.data(), "FILE", 4);
    return s;
}

TEST(volume_probe, ntfs_is_placed_by_its_boot_sector_or_the_copy_in_its_last_sector)
{
    disk_s disk;
    disk.put(1000, ntfs_boot_sector(5000));
    auto hit = disk.probe(1000);
    ASSERT_TRUE(hit);
    EXPECT_STREQ(hit->file_system, "NTFS");
    EXPECT_EQ(hit->mbr_type, 7);
    EXPECT_EQ(hit->start, 1000u);
    EXPECT_EQ(hit->sectors, 5001u) << "the count includes the backup boot sector";

    // First sector gone: the copy at 1000 + 5000 names the volume, its MFT confirms where.
    disk_s lost;
    lost.put(1002, mft_record());
    lost.put(6000, ntfs_boot_sector(5000));
    hit = lost.probe(6000);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->start, 1000u);

    // The name alone, or a length that would stall the search, is not a volume.
    auto other = ntfs_boot_sector(100);
    other[11] = 0x01; // 257 bytes per sector
    disk.put(7, other);
    EXPECT_FALSE(disk.probe(7));
    disk.put(8, ntfs_boot_sector(0));
    EXPECT_FALSE(disk.probe(8));
    disk.put(9, ntfs_boot_sector(UINT64_MAX));
    EXPECT_FALSE(disk.probe(9));
}

TEST(volume_probe, fat_is_placed_by_its_parameter_block_and_fat_whatever_its_oem_name)
{
    disk_s disk;
    put_fat32_volume([&](uint64_t at, const test_sector_t &s) { disk.put(at, s); }, 2048, 70000);
    auto hit = disk.probe(2048);
    ASSERT_TRUE(hit);
    EXPECT_STREQ(hit->file_system, "FAT32");
    EXPECT_EQ(hit->mbr_type, 0x0C);
    EXPECT_EQ(hit->start, 2048u);
    EXPECT_EQ(hit->sectors, 70000u);

    // Its copy at 6 places the volume when the first sector is gone...
    disk.put(2054, fat32_boot_sector(70000));
    hit = disk.probe(2054);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->start, 2048u);
    // ...but a boot sector with no FAT after it starts nothing.
    disk.put(9000, fat32_boot_sector(70000));
    EXPECT_FALSE(disk.probe(9000));

    // Too few clusters for FAT32 with no root folder is no FAT at all.
    disk_s small;
    put_fat32_volume([&](uint64_t at, const test_sector_t &s) { small.put(at, s); }, 63, 2048);
    EXPECT_FALSE(small.probe(63));
}

} // namespace
