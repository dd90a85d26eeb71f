// The search over candidate starts: where it finds partitions, where it
// reads next, and that it always ends.
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

TEST(partition_search, ntfs_at_63_is_skipped_whole_and_the_next_read_follows_it)
{
    sparse_disk_c disk(2000000ull * 512);
    disk.put(63, ntfs_boot_sector(1000000));
    // The NTFS backup boot sector in its last sector must not be reported.
    disk.put(1000063, ntfs_boot_sector(1000000));
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0], row("NTFS", 7, 63, 1000063));
    ASSERT_GE(disk.reads.size(), 3u);
    EXPECT_EQ(disk.reads[0], 0u);
    EXPECT_EQ(disk.reads[1], 62u * 512);
    // Next, the candidate right after it, read from the sector before.
    EXPECT_NE(std::find(disk.reads.begin(), disk.reads.end(), 1000063ull * 512), disk.reads.end());
    // Inside it only its MFT, at 65, is read (where the boot sector says it is).
    for (uint64_t offset : disk.reads)
        EXPECT_TRUE(offset <= 65 * 512 || offset >= 1000063ull * 512) << "read inside the partition at " << offset;
    EXPECT_EQ(out.progress.back(), 1.0);
}

TEST(partition_search, partitions_start_at_candidates_and_right_after_a_find)
{
    sparse_disk_c disk(80000ull * 512);
    disk.put(2048, ntfs_boot_sector(4));  // 2048..2052
    disk.put(2053, ntfs_boot_sector(20)); // right after it
    disk.put(3001, ntfs_boot_sector(20)); // no tool starts a partition there
    put_fat32_volume([&](uint64_t at, const test_sector_t &s) { disk.put(at, s); }, 16065 + 63, 60000);
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 2u);
    EXPECT_EQ(out.rows[0], row("NTFS", 7, 2048, 2052));
    EXPECT_EQ(out.rows[1], row("NTFS", 7, 2053, 2073));
    EXPECT_EQ(next_candidate_start(2074), 4096u);
    EXPECT_EQ(next_candidate_start(16065 + 1), 16065u + 63);
}

TEST(partition_search, a_boot_sector_inside_a_found_partition_is_passed_over)
{
    sparse_disk_c disk(80000ull * 512);
    disk.put(2048, ntfs_boot_sector(10000)); // 2048..12048
    disk.put(4096, ntfs_boot_sector(10));
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0], row("NTFS", 7, 2048, 12048));
}

TEST(partition_search, fat32_boot_sector_without_its_fat_is_passed_over)
{
    sparse_disk_c disk(80000ull * 512);
    disk.put(2048, fat32_boot_sector(70000));
    put_fat32_volume([&](uint64_t at, const test_sector_t &s) { disk.put(at, s); }, 4096, 70000);
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0], row("FAT32", 12, 4096, 74095));
}

TEST(partition_search, ends_on_empty_and_overreaching_disks)
{
    sparse_disk_c empty(0);
    auto out = search(empty, 0);
    EXPECT_TRUE(out.rows.empty());
    EXPECT_EQ(out.end, search_completed);

    // A partition that claims more than the disk is recorded and ends the search.
    sparse_disk_c disk(4096ull * 512);
    disk.put(2048, ntfs_boot_sector(UINT64_MAX - 1));
    out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].start_sector, 2048u);
    EXPECT_EQ(out.rows[0].end_sector, UINT64_MAX);
    EXPECT_EQ(disk.reads.size(), 5u) << "sector 0, 63, 128, then the find and its MFT";
    EXPECT_EQ(out.progress.back(), 1.0);
}

TEST(partition_search, progress_rises_to_one)
{
    sparse_disk_c disk(3000000ull * 512);
    disk.put(4096, ntfs_boot_sector(999));
    auto out = search(disk, disk.size());
    ASSERT_GE(out.progress.size(), 3u);
    for (size_t i = 1; i < out.progress.size(); ++i)
        EXPECT_LT(out.progress[i - 1], out.progress[i]);
    // Right after the partition, the search has covered up to its end.
    EXPECT_NE(std::find(out.progress.begin(), out.progress.end(), 5096.0 / 3000000.0), out.progress.end());
    EXPECT_EQ(out.progress.back(), 1.0);
}

TEST(partition_search, stops_within_one_candidate)
{
    sparse_disk_c disk(100000ull * 512);
    int polls = 0;
    auto out = search(disk, disk.size(), [&] { return ++polls > 3; });
    EXPECT_EQ(out.end, search_stopped);
    EXPECT_EQ(disk.reads.size(), 3u);
    EXPECT_LT(out.progress.empty() ? 0.0 : out.progress.back(), 1.0);
}

TEST(partition_search, unbuffered_reads_stay_aligned_to_large_sectors)
{
    // On a 4096-byte-sector disk opened unbuffered, the candidate after a
    // partition may start in the middle of a device sector.
    sparse_disk_c disk(20000ull * 512, 4096, true);
    disk.put(2048, ntfs_boot_sector(4)); // sectors 2048..2052; the next candidate is 2053
    disk.put(2053, ntfs_boot_sector(99));
    auto out = search(disk, disk.size());
    ASSERT_EQ(out.rows.size(), 2u);
    EXPECT_EQ(out.rows[1], row("NTFS", 7, 2053, 2152));
}

} // namespace
