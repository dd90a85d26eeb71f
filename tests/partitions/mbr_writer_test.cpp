// The sector 0 that a repair writes.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/partitions/boot/mbr_boot_code.h"
#include "core/partitions/mbr_writer.h"
#include "platform/disks.h"
#include "platform/le_bytes.h"

namespace {

disk_geometry_s geometry(uint32_t heads, uint32_t sectors)
{
    disk_geometry_s g;
    g.tracks_per_cylinder = heads;
    g.sectors_per_track = sectors;
    g.bytes_per_sector = 512;
    return g;
}

std::array<uint8_t, 3> chs_bytes_for(uint64_t lba, uint32_t heads, uint32_t sectors_per_track)
{
    std::array<uint8_t, 3> bytes{};
    encode_chs(bytes.data(), chs_address_for(lba, heads, sectors_per_track));
    return bytes;
}

const uint8_t *entry(const sector_bytes_t &s, int k)
{
    return s.data() + 446 + 16 * k;
}

sector_bytes_t old_sector_with_garbage()
{
    sector_bytes_t old{};
    for (size_t i = 0; i < old.size(); ++i)
        old[i] = static_cast<uint8_t>(i * 7 + 1);
    old[446 + 16] = 0x00; // entry 1: inactive
    return old;
}

QList<partition_item_s> two_rows()
{
    return {partition_item_s{"NTFS", 7, 2048, 206847}, partition_item_s{"FAT32", 12, 206848, 411647}};
}

TEST(mbr_writer, two_rows_make_an_active_ntfs_entry_and_a_fat32_entry)
{
    const sector_bytes_t old = old_sector_with_garbage();
    sector_bytes_t out{};
    ASSERT_EQ(build_repaired_mbr(old, two_rows(), geometry(255, 63), out, nullptr), 0);

    EXPECT_EQ(entry(out, 0)[0], 0x80);
    EXPECT_EQ(entry(out, 0)[4], 7);
    EXPECT_EQ(le32_at(entry(out, 0) + 8), 2048u);
    EXPECT_EQ(le32_at(entry(out, 0) + 12), 204800u);
    EXPECT_EQ(entry(out, 1)[0], 0x00);
    EXPECT_EQ(entry(out, 1)[4], 12);
    EXPECT_EQ(le32_at(entry(out, 1) + 8), 206848u);
    EXPECT_EQ(le32_at(entry(out, 1) + 12), 204800u);
    // LBA 2048 with 255 heads and 63 sectors: cylinder 0, head 32, sector 33.
    EXPECT_EQ(entry(out, 0)[1], 32);
    EXPECT_EQ(entry(out, 0)[2], 33);
    EXPECT_EQ(entry(out, 0)[3], 0);
    // LBA 411647: cylinder 25, head 159, sector 6.
    EXPECT_EQ(entry(out, 1)[5], 159);
    EXPECT_EQ(entry(out, 1)[6], 6);
    EXPECT_EQ(entry(out, 1)[7], 25);

    // Entries without a row are cleared, not left with the old bytes.
    for (int k = 2; k < 4; ++k)
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(entry(out, k)[i], 0) << "entry " << k << " byte " << i;
    // Disk signature and the two bytes after it survive; boot code is ours.
    EXPECT_TRUE(std::equal(old.begin() + 440, old.begin() + 446, out.begin() + 440));
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 440, mbr_boot_code));
    EXPECT_EQ(out[510], 0x55);
    EXPECT_EQ(out[511], 0xAA);
}

TEST(mbr_writer, only_the_first_entry_is_ever_active)
{
    // An old table whose entry 1 was the active one would leave two active
    // entries, which loaders refuse as an invalid table.
    sector_bytes_t old = old_sector_with_garbage();
    old[446 + 16] = 0x80;
    old[446 + 32] = 0x13;
    QList<partition_item_s> rows = two_rows();
    rows.append(partition_item_s{"NTFS", 7, 500000, 600000});
    sector_bytes_t out{};
    ASSERT_EQ(build_repaired_mbr(old, rows, geometry(255, 63), out, nullptr), 0);
    EXPECT_EQ(entry(out, 1)[0], 0x00);
    EXPECT_EQ(entry(out, 2)[0], 0x00);
}

TEST(mbr_writer, chs_without_geometry_or_past_cylinder_1023_is_beyond_chs)
{
    const std::array<uint8_t, 3> beyond{0xFE, 0xFF, 0xFF};
    EXPECT_EQ(chs_bytes_for(2048, 0, 63), beyond);
    EXPECT_EQ(chs_bytes_for(2048, 255, 0), beyond);
    EXPECT_EQ(chs_bytes_for(1024ull * 255 * 63, 255, 63), beyond);
    EXPECT_EQ(chs_bytes_for(5000000000ull, 255, 63), beyond);
    // Cylinder 1023 still fits: its high bits go to the sector byte.
    EXPECT_EQ(chs_bytes_for(1023ull * 255 * 63, 255, 63), (std::array<uint8_t, 3>{0, 0xC1, 0xFF}));

    sector_bytes_t out{};
    ASSERT_EQ(build_repaired_mbr(sector_bytes_t{}, two_rows(), geometry(0, 0), out, nullptr), 0);
    EXPECT_TRUE(std::equal(entry(out, 0) + 1, entry(out, 0) + 4, beyond.begin()));
    EXPECT_EQ(le32_at(entry(out, 0) + 12), 204800u);
}

TEST(mbr_writer, refuses_what_it_cannot_write_faithfully)
{
    sector_bytes_t out{};
    out.fill(0x5A);
    QString error;
    EXPECT_EQ(build_repaired_mbr(sector_bytes_t{}, {}, geometry(255, 63), out, &error), -1);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(out[0], 0x5A); // untouched

    // Past 2 TiB the 32-bit fields would wrap onto other data.
    QList<partition_item_s> far{partition_item_s{"NTFS", 7, 1ull << 32, (1ull << 32) + 100}};
    EXPECT_EQ(build_repaired_mbr(sector_bytes_t{}, far, geometry(255, 63), out, &error), -1);
    QList<partition_item_s> long_one{partition_item_s{"NTFS", 7, 2048, 2048 + (1ull << 32)}};
    EXPECT_EQ(build_repaired_mbr(sector_bytes_t{}, long_one, geometry(255, 63), out, &error), -1);
    // A row past the fourth does not matter: it is not written.
    QList<partition_item_s> five;
    for (uint64_t i = 0; i < 4; ++i)
        five.append(partition_item_s{"NTFS", 7, 2048 + i * 1000, 2048 + i * 1000 + 999});
    five.append(partition_item_s{"NTFS", 7, 1ull << 40, (1ull << 40) + 1});
    EXPECT_EQ(build_repaired_mbr(sector_bytes_t{}, five, geometry(255, 63), out, &error), 0);
    EXPECT_EQ(le32_at(entry(out, 3) + 8), 5048u);
}

TEST(mbr_writer, boot_code_carries_the_three_messages)
{
    const std::string code(reinterpret_cast<const char *>(mbr_boot_code), sizeof(mbr_boot_code));
    for (const char *message :
         {"Invalid partition table", "Error loading operating system", "Missing operating system"})
        EXPECT_NE(code.find(message), std::string::npos) << message;
    EXPECT_EQ(mbr_boot_code[0], 0xFA); // cli: the code starts at byte 0
}

} // namespace
