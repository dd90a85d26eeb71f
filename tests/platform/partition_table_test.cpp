// Partition tables: the shared images against sfdisk, 4096-byte sectors, and
// hostile tables built byte by byte.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/gpt_layout.h"
#include "platform/le_bytes.h"
#include "platform/mbr_layout.h"
#include "platform/partition_table.h"
#include "platform/test_images.h"

namespace {

partition_table_s read_image(const std::string &path)
{
    std::string error;
    auto device = open_block_device(path, open_mode_e::read, &error);
    EXPECT_TRUE(device) << error;
    partition_table_s table;
    if (device) {
        partition_read_options_s options;
        options.guess_sector_size = true;
        EXPECT_TRUE(read_partition_table(*device, table, &error, options)) << error;
    }
    return table;
}

std::string type_text(const partition_entry_s &p, partition_scheme_e scheme)
{
    if (scheme == partition_scheme_e::gpt)
        return format_guid(p.gpt_type);
    char text[4];
    snprintf(text, sizeof text, "%x", p.mbr_type);
    return text;
}

// Our reading of an image must match sfdisk's, partition by partition.
void expect_same_as_sfdisk(const std::string &relative)
{
    SCOPED_TRACE(relative);
    std::string path = unpack_shared_image(relative);
    if (path.empty())
        GTEST_SKIP() << "shared image missing: " << relative;
    int status = 0;
    std::string json = run_command("sfdisk --json " + shell_quote(path) + " 2>/dev/null", &status);
    ASSERT_EQ(status, 0) << "sfdisk cannot read " << relative;
    QJsonObject pt = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object()["partitiontable"].toObject();
    QJsonArray expected = pt["partitions"].toArray();

    partition_table_s table = read_image(path);
    EXPECT_EQ(table.scheme, pt["label"].toString() == "gpt" ? partition_scheme_e::gpt : partition_scheme_e::mbr);
    EXPECT_EQ(table.sector_size, uint32_t(pt["sectorsize"].toInt()));
    ASSERT_EQ(table.partitions.size(), size_t(expected.size()));
    for (size_t i = 0; i < table.partitions.size(); ++i) {
        const partition_entry_s &p = table.partitions[i];
        QJsonObject e = expected[int(i)].toObject();
        std::string node = e["node"].toString().toStdString();
        SCOPED_TRACE(node);
        EXPECT_EQ(std::to_string(p.number), node.substr(path.size()));
        EXPECT_EQ(p.first_sector, uint64_t(e["start"].toInteger()));
        EXPECT_EQ(p.sector_count, uint64_t(e["size"].toInteger()));
        EXPECT_EQ(type_text(p, table.scheme), e["type"].toString().toStdString());
        EXPECT_EQ(p.bootable, e["bootable"].toBool());
        if (!p.past_end) {
            EXPECT_EQ(p.start_byte, p.first_sector * table.sector_size);
        }
    }
}

} // namespace

// Catches wrong numbering of logical partitions, EBR offsets taken relative to
// the wrong sector, GPT slots renumbered, and GUIDs printed in the wrong byte
// order.
TEST(partition_table, shared_images_read_as_sfdisk_reads_them)
{
    for (const char *image : {"dfir_ntfs/gpt-512-0p.raw.gz", "dfir_ntfs/gpt-512-3p.raw.gz", "dfir_ntfs/mbr-512-p0.bin",
                              "dfir_ntfs/mbr-512-p1.bin", "dfir_ntfs/mbr-512-p4.bin", "dfir_ntfs/mbr-512-p1e2.bin.gz",
                              "dfir_ntfs/mbr-512-p1e2_2.bin.gz", "dfvfs/mbr.raw.gz", "dfir_ntfs/mbr-win-512.raw.tgz"})
        expect_same_as_sfdisk(image);
}

// A 1 KiB file whose entries point far past its end: they are kept as
// written but hold no bytes, and the one that starts inside is cut.
TEST(partition_table, entries_past_the_end_hold_no_bytes)
{
    std::string path = unpack_shared_image("dfir_ntfs/mbr-512-p4.bin");
    if (path.empty())
        GTEST_SKIP();
    partition_table_s table = read_image(path);
    ASSERT_EQ(table.partitions.size(), 4u);
    EXPECT_FALSE(table.partitions[0].past_end);
    EXPECT_TRUE(table.partitions[0].truncated);
    EXPECT_EQ(table.partitions[0].length_bytes, 512u);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_TRUE(table.partitions[i].past_end);
        EXPECT_EQ(table.partitions[i].length_bytes, 0u);
    }
    EXPECT_FALSE(table.problems.empty());
}

// sfdisk cannot be told the sector size of a file; these values are mmls's
// with -b 4096. Catches a reader that assumes 512-byte sectors on images.
TEST(partition_table, images_with_4096_byte_sectors)
{
    std::string p1e1 = unpack_shared_image("dfir_ntfs/mbr-4096-p1e1.bin.gz");
    std::string p1e0 = unpack_shared_image("dfir_ntfs/mbr-4096-p1e0.bin.gz");
    if (p1e1.empty() || p1e0.empty())
        GTEST_SKIP();
    partition_table_s table = read_image(p1e1);
    EXPECT_EQ(table.sector_size, 4096u);
    ASSERT_EQ(table.partitions.size(), 3u);
    EXPECT_EQ(table.partitions[0].number, 1);
    EXPECT_EQ(table.partitions[0].mbr_type, 0x8e);
    EXPECT_TRUE(table.partitions[0].bootable);
    EXPECT_EQ(table.partitions[0].start_byte, 3u * 4096);
    EXPECT_EQ(table.partitions[1].number, 2);
    EXPECT_TRUE(table.partitions[1].extended);
    EXPECT_EQ(table.partitions[2].number, 5);
    EXPECT_TRUE(table.partitions[2].logical);
    EXPECT_EQ(table.partitions[2].start_byte, 9u * 4096);
    EXPECT_EQ(table.partitions[2].length_bytes, 2u * 4096);

    table = read_image(p1e0);
    EXPECT_EQ(table.sector_size, 4096u);
    ASSERT_EQ(table.partitions.size(), 2u);
    EXPECT_EQ(table.partitions[0].length_bytes, 125u * 4096);
    EXPECT_EQ(table.partitions[1].start_byte, 126u * 4096);
    EXPECT_TRUE(table.problems.empty());
}

namespace {

void set_entry(uint8_t *sector, size_t slot, uint8_t type, uint32_t first, uint32_t count, uint8_t status = 0)
{
    uint8_t *p = sector + mbr_entries_offset + slot * mbr_entry_size;
    p[mbr_entry_status] = status;
    p[mbr_entry_type] = type;
    put_le32(p + mbr_entry_first_lba, first);
    put_le32(p + mbr_entry_sector_count, count);
}

void sign(uint8_t *sector)
{
    put_le16(sector + mbr_boot_signature_offset, mbr_boot_signature);
}

partition_table_s read_bytes(std::vector<uint8_t> bytes)
{
    memory_device_c device(std::move(bytes));
    partition_table_s table;
    EXPECT_TRUE(read_partition_table(device, table));
    return table;
}

} // namespace

// EBR chains that point back at themselves or at an earlier EBR must end,
// keep the logicals found before the loop, and say why they stopped.
TEST(partition_table, looping_ebr_chains_end)
{
    std::vector<uint8_t> disk(64 * 512);
    set_entry(disk.data(), 0, 0x05, 8, 40);
    sign(disk.data());
    uint8_t *ebr1 = disk.data() + 8 * 512;
    set_entry(ebr1, 0, 0x83, 1, 4);
    set_entry(ebr1, 1, 0x05, 10, 10); // -> sector 18
    sign(ebr1);
    uint8_t *ebr2 = disk.data() + 18 * 512;
    set_entry(ebr2, 0, 0x83, 1, 4);
    set_entry(ebr2, 1, 0x05, 0, 10); // -> back to sector 8
    sign(ebr2);

    partition_table_s table = read_bytes(disk);
    ASSERT_EQ(table.partitions.size(), 3u);
    EXPECT_EQ(table.partitions[1].number, 5);
    EXPECT_EQ(table.partitions[1].first_sector, 9u);
    EXPECT_EQ(table.partitions[2].number, 6);
    EXPECT_EQ(table.partitions[2].first_sector, 19u);
    ASSERT_EQ(table.problems.size(), 1u);
    EXPECT_NE(table.problems[0].find("loops"), std::string::npos);

    set_entry(ebr1, 1, 0x05, 0, 10); // an EBR linking to itself
    table = read_bytes(disk);
    EXPECT_EQ(table.partitions.size(), 2u);
    EXPECT_EQ(table.problems.size(), 1u);
}

// A FAT or NTFS boot sector also ends in 55 AA: reading its boot code as a
// table would invent partitions on a whole-disk file system.
TEST(partition_table, boot_sector_is_not_a_table)
{
    std::string path = unpack_shared_image("dfir_ntfs/fat16.raw.gz");
    std::string ntfs = unpack_shared_image("rust-ntfs/testfs1");
    if (path.empty() || ntfs.empty())
        GTEST_SKIP();
    EXPECT_EQ(read_image(path).scheme, partition_scheme_e::none);
    EXPECT_EQ(read_image(ntfs).scheme, partition_scheme_e::none);
    EXPECT_EQ(read_bytes(std::vector<uint8_t>(4096)).scheme, partition_scheme_e::none);
}

// A slot whose type byte is 0 is empty, whatever else it holds: it is no
// partition, and it does not make a FAT boot sector read as a table.
TEST(partition_table, slots_of_type_zero_are_empty)
{
    std::vector<uint8_t> disk(64 * 512);
    set_entry(disk.data(), 0, 0x07, 8, 16, mbr_status_active);
    set_entry(disk.data(), 1, mbr_type_empty, 30, 20);
    sign(disk.data());
    partition_table_s table = read_bytes(disk);
    ASSERT_EQ(table.partitions.size(), 1u);
    EXPECT_EQ(table.partitions[0].first_sector, 8u);

    // A FAT boot sector (jump, 512 bytes per sector) with stray entry bytes.
    std::vector<uint8_t> fat(64 * 512);
    fat[0] = 0xEB;
    fat[1] = 0x3C;
    fat[2] = 0x90;
    put_le16(fat.data() + 0x0B, 512);
    set_entry(fat.data(), 2, mbr_type_empty, 0, 64);
    sign(fat.data());
    EXPECT_EQ(read_bytes(fat).scheme, partition_scheme_e::none);
}

namespace {

// A GPT disk made by sfdisk in a scratch file, returned as bytes.
std::vector<uint8_t> sfdisk_gpt_disk()
{
    std::string path = scratch_dir() + "/gpt-made.img";
    int status = 0;
    run_command("truncate -s 4M " + shell_quote(path) +
                    " && printf 'label: gpt\\nstart=2048, size=2048\\n"
                    "start=4096, size=2048, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\\n' | sfdisk -q " +
                    shell_quote(path) + " >/dev/null 2>&1",
                &status);
    EXPECT_EQ(status, 0);
    auto device = open_block_device(path, open_mode_e::read);
    std::vector<uint8_t> bytes(device ? device->size() : 0);
    if (device)
        device->read_exact(0, bytes.data(), bytes.size());
    return bytes;
}

} // namespace

// A damaged primary header falls back to the backup; damaged copies both,
// or a header asking for a huge entry array, give no partitions and no crash.
TEST(partition_table, damaged_gpt_uses_backup_or_reports)
{
    std::vector<uint8_t> disk = sfdisk_gpt_disk();
    ASSERT_GT(disk.size(), 8192u);
    partition_table_s table = read_bytes(disk);
    ASSERT_EQ(table.scheme, partition_scheme_e::gpt);
    ASSERT_EQ(table.partitions.size(), 2u);
    EXPECT_EQ(table.partitions[1].number, 2);
    EXPECT_EQ(table.partitions[1].start_byte, 4096u * 512);
    EXPECT_EQ(format_guid(table.partitions[1].gpt_type), "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
    EXPECT_FALSE(table.gpt_from_backup);

    std::vector<uint8_t> damaged = disk;
    damaged[512 + gpt_header_entry_count] ^= 0xFF; // breaks the header CRC
    table = read_bytes(damaged);
    EXPECT_TRUE(table.gpt_from_backup);
    EXPECT_EQ(table.partitions.size(), 2u);

    damaged[2 * 512] ^= 0xFF;           // and now the primary entries too
    damaged[disk.size() - 512] ^= 0xFF; // and the backup header's signature
    table = read_bytes(damaged);
    EXPECT_EQ(table.scheme, partition_scheme_e::gpt);
    EXPECT_TRUE(table.partitions.empty());
    EXPECT_FALSE(table.problems.empty());
}

// Every truncation of a real table must read without error or overrun
// (run under ASan in CI).
TEST(partition_table, truncated_tables_are_safe)
{
    std::vector<uint8_t> disk = sfdisk_gpt_disk();
    for (size_t len : {size_t(0), size_t(100), size_t(512), size_t(1024), size_t(1500), size_t(17408)}) {
        std::vector<uint8_t> part(disk.begin(), disk.begin() + std::min(len, disk.size()));
        memory_device_c device(part);
        partition_table_s table;
        bool ok = read_partition_table(device, table);
        EXPECT_EQ(ok, len >= 512) << len;
        EXPECT_TRUE(table.partitions.empty()) << len;
    }
}
