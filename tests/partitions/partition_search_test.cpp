// The windowed search: where it finds partitions, where it reads next, and
// that it always ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "boot_sectors.h"
#include "core/partitions/partition_search.h"

namespace {

struct outcome_s {
    std::vector<partition_item_s> rows;
    std::vector<double> progress;
    search_end_e end = search_completed;
};

outcome_s search(block_device_c &disk, uint64_t size, std::function<bool()> stop = {})
{
    outcome_s out;
    partition_search_hooks_s hooks;
    hooks.found = [&](const partition_item_s &r) { out.rows.push_back(r); };
    hooks.progress = [&](double p) { out.progress.push_back(p); };
    hooks.stop_requested = std::move(stop);
    out.end = search_partitions(disk, size, hooks);
    return out;
}

partition_item_s row(const char *fs, int type, uint64_t start, uint64_t end)
{
    return partition_item_s{QString::fromLatin1(fs), type, start, end};
}

TEST(partition_search, ntfs_at_63_is_skipped_whole_and_the_next_window_follows_it)
{
    sparse_disk_c disk(2000000ull * 512);
    disk.put(63, ntfs_boot_sector(1000000));
    // The NTFS backup boot sector in its last sector must not be reported.
    disk.put(1000063, ntfs_boot_sector(1000000));
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0], row("NTFS", 7, 63, 1000063));
    ASSERT_GE(disk.reads.size(), 2u);
    EXPECT_EQ(disk.reads[0], 0u);
    EXPECT_EQ(disk.reads[1], 1000064ull * 512);
    EXPECT_EQ(out.progress.back(), 1.0);
}

TEST(partition_search, windows_overlap_by_one_sector)
{
    // Sector 255 is only tested as the first sector of the next window.
    sparse_disk_c disk(80000ull * 512);
    put_fat32_volume([&](uint64_t at, const test_sector_t &s) { disk.put(at, s); }, 255, 70000);
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0], row("FAT32", 12, 255, 70254));
    EXPECT_EQ(disk.reads[1], 255u * 512);
}

TEST(partition_search, second_boot_sector_of_a_window_counts_only_past_the_first_partition)
{
    sparse_disk_c inside(4096ull * 512);
    inside.put(5, ntfs_boot_sector(10)); // sectors 5..15
    inside.put(10, ntfs_boot_sector(10));
    auto out = search(inside, inside.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0], row("NTFS", 7, 5, 15));

    sparse_disk_c after(4096ull * 512);
    after.put(5, ntfs_boot_sector(4)); // sectors 5..9
    after.put(10, ntfs_boot_sector(20));
    out = search(after, after.size());
    ASSERT_EQ(out.rows.size(), 2u);
    EXPECT_EQ(out.rows[0], row("NTFS", 7, 5, 9));
    EXPECT_EQ(out.rows[1], row("NTFS", 7, 10, 30));
}

TEST(partition_search, fat32_boot_sector_without_its_fat_is_passed_over)
{
    sparse_disk_c disk(80000ull * 512);
    disk.put(100, fat32_boot_sector(70000));
    put_fat32_volume([&](uint64_t at, const test_sector_t &s) { disk.put(at, s); }, 900, 70000);
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].start_sector, 900u);
}

TEST(partition_search, ends_on_empty_short_and_overreaching_disks)
{
    sparse_disk_c empty(0);
    auto out = search(empty, 0);
    EXPECT_TRUE(out.rows.empty());
    EXPECT_EQ(out.end, search_completed);

    // Smaller than one window: nothing can be read whole.
    sparse_disk_c tiny(100 * 512);
    tiny.put(1, ntfs_boot_sector(10));
    EXPECT_TRUE(search(tiny, tiny.size()).rows.empty());

    // A partition that claims more than the disk is recorded and ends the search.
    sparse_disk_c disk(4096ull * 512);
    disk.put(10, ntfs_boot_sector(UINT64_MAX - 1));
    out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].start_sector, 10u);
    EXPECT_EQ(out.rows[0].end_sector, UINT64_MAX);
    EXPECT_EQ(disk.reads.size(), 1u);
    EXPECT_EQ(out.progress.back(), 1.0);
}

TEST(partition_search, progress_rises_to_one)
{
    sparse_disk_c disk(10000ull * 512);
    disk.put(3000, ntfs_boot_sector(999));
    auto out = search(disk, disk.size());
    ASSERT_GE(out.progress.size(), 3u);
    for (size_t i = 1; i < out.progress.size(); ++i)
        EXPECT_LT(out.progress[i - 1], out.progress[i]);
    // Right after the partition, the search has covered up to its end.
    EXPECT_NE(std::find(out.progress.begin(), out.progress.end(), 4000.0 * 512 / (10000.0 * 512)), out.progress.end());
    EXPECT_EQ(out.progress.back(), 1.0);
}

TEST(partition_search, stops_within_one_window)
{
    sparse_disk_c disk(100000ull * 512);
    int polls = 0;
    auto out = search(disk, disk.size(), [&] { return ++polls > 3; });
    EXPECT_EQ(out.end, search_stopped);
    EXPECT_EQ(disk.reads.size(), 3u);
    EXPECT_LT(out.progress.back(), 1.0);
}

TEST(partition_search, unbuffered_reads_stay_aligned_to_large_sectors)
{
    // On a 4096-byte-sector disk opened unbuffered, a window after a
    // partition may start in the middle of a device sector.
    sparse_disk_c disk(20000ull * 512, 4096, true);
    disk.put(8, ntfs_boot_sector(4)); // sectors 8..12; the next window starts at 13
    disk.put(700, ntfs_boot_sector(99));
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 2u);
    EXPECT_EQ(out.rows[1], row("NTFS", 7, 700, 799));
}

} // namespace
