// The search and the repair on real disk images: partitions made by mkntfs
// and mkfs.fat, the public sample tables, and a boot under an emulator.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <fstream>
#include <sstream>

#include "boot_sectors.h"
#include "core/partitions/partition_repair.h"
#include "platform/partition_table.h"
#include "platform/test_images.h"
#include "test_drives.h"

namespace {

bool have(const char *tool)
{
    int status = -1;
    run_command(std::string("command -v ") + tool + " >/dev/null 2>&1 || test -x /usr/sbin/" + tool, &status);
    return status == 0;
}

std::string tools_path()
{
    return "PATH=\"$PATH:/usr/sbin:/sbin\" ";
}

QList<partition_item_s> search_image(const std::string &path)
{
    drive_item_s drive = drive_for_image(path);
    EXPECT_FALSE(drive.is_header()) << path;
    partition_repair_c search;
    search.search_and_wait(drive);
    EXPECT_EQ(search.progress(), 1.0) << path;
    return search.rows();
}

int repair_image(const std::string &path)
{
    partition_repair_c search;
    search.search_and_wait(drive_for_image(path));
    QString backup, error;
    int rc = repair_found(search, QString::fromStdString(scratch_dir() + "/backups"), &backup, &error);
    EXPECT_EQ(rc, 0) << error.toStdString();
    return rc;
}

// Runs a check tool on one partition copied out of the image.
int check_partition(const std::string &image, uint64_t start, uint64_t count, const std::string &tool)
{
    std::string part = scratch_dir() + "/part.img";
    int status = -1;
    run_command("dd if=" + shell_quote(image) + " of=" + shell_quote(part) + " bs=512 skip=" + std::to_string(start) +
                    " count=" + std::to_string(count) + " status=none",
                &status);
    if (status != 0)
        return status;
    run_command(tools_path() + tool + " " + shell_quote(part) + " >/dev/null 2>&1", &status);
    return status;
}

TEST(disk_images, lost_ntfs_and_fat32_partitions_are_found_and_the_repaired_table_opens_them)
{
    for (const char *tool : {"mkntfs", "mkfs.fat", "sfdisk", "fsck.fat", "ntfsinfo"})
        if (!have(tool))
            GTEST_SKIP() << tool << " is not installed";
    const std::string image = scratch_dir() + "/lost.img";
    const std::string script = std::string(getenv("TARN_SOURCE_DIR")) + "/tests/partitions/make_lost_partitions.sh";
    int status = -1;
    std::istringstream made(
        run_command(tools_path() + "bash " + shell_quote(script) + " " + shell_quote(image), &status));
    ASSERT_EQ(status, 0);
    QList<partition_item_s> expected;
    std::string fs;
    uint64_t start = 0, end = 0;
    while (made >> fs >> start >> end)
        expected.append(partition_item_s{QString::fromStdString(fs), fs == "NTFS" ? 7 : 12, start, end});
    ASSERT_EQ(expected.size(), 4);

    EXPECT_EQ(search_image(image), expected);
    ASSERT_EQ(repair_image(image), 0);

    QJsonDocument listed = QJsonDocument::fromJson(
        QByteArray::fromStdString(run_command(tools_path() + "sfdisk --json " + shell_quote(image), &status)));
    ASSERT_EQ(status, 0);
    QJsonArray parts = listed.object()["partitiontable"].toObject()["partitions"].toArray();
    ASSERT_EQ(parts.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QJsonObject p = parts[i].toObject();
        const partition_item_s &want = expected[i];
        uint64_t count = want.end_sector - want.start_sector + 1;
        EXPECT_EQ(static_cast<uint64_t>(p["start"].toDouble()), want.start_sector);
        EXPECT_EQ(static_cast<uint64_t>(p["size"].toDouble()), count);
        EXPECT_EQ(p["type"].toString(), want.type_id == 7 ? "7" : "c");
        EXPECT_EQ(p["bootable"].toBool(), i == 0);
        const std::string tool = want.type_id == 7 ? "ntfsinfo -m" : "fsck.fat -n";
        EXPECT_EQ(check_partition(image, want.start_sector, count, tool), 0) << tool << " on partition " << i + 1;
    }
}

// Images whose partitions sit where their table says: the search must agree.
TEST(disk_images, search_agrees_with_the_tables_of_windows_made_ntfs_disks)
{
    for (const char *name : {"dfir_ntfs/ntfs_index.raw.gz", "ntfs-samples/ntfs-lastaccess.raw.gz"}) {
        std::string path = unpack_shared_image(name);
        if (path.empty())
            GTEST_SKIP() << name << " is not available";
        auto disk = open_block_device(path, open_mode_e::read);
        ASSERT_TRUE(disk);
        partition_table_s table;
        ASSERT_TRUE(read_partition_table(*disk, table));
        ASSERT_EQ(table.partitions.size(), 1u);
        const auto &p = table.partitions[0];
        QList<partition_item_s> rows = search_image(path);
        ASSERT_EQ(rows.size(), 1) << name;
        EXPECT_EQ(rows[0].file_system, "NTFS");
        EXPECT_EQ(rows[0].start_sector, p.first_sector) << name;
        EXPECT_EQ(rows[0].end_sector, p.first_sector + p.sector_count - 1) << name;
    }
}

TEST(disk_images, sample_tables_never_upset_the_search)
{
    // Tables and unformatted partitions only, or (dfvfs) small ext file
    // systems at sectors 1 and 131, where no partitioning tool starts one:
    // nothing to find, nothing to crash on.
    for (const char *name :
         {"dfir_ntfs/mbr-512-p0.bin", "dfir_ntfs/mbr-512-p1.bin", "dfir_ntfs/mbr-512-p4.bin",
          "dfir_ntfs/mbr-512-p1e2.bin.gz", "dfir_ntfs/mbr-512-p1e2_2.bin.gz", "dfir_ntfs/mbr-4096-p1e0.bin.gz",
          "dfir_ntfs/mbr-4096-p1e1.bin.gz", "dfir_ntfs/gpt-512-0p.raw.gz", "dfir_ntfs/gpt-512-3p.raw.gz",
          "dfvfs/mbr.raw.gz", "dfir_ntfs/mbr-win-512.raw.tgz"}) {
        std::string path = unpack_shared_image(name);
        if (path.empty())
            continue;
        EXPECT_TRUE(search_image(path).isEmpty()) << name;
    }
}

// A loop device over an image file, detached when the test ends.
struct loop_device_s {
    std::string path;
    loop_device_s(const std::string &image, int sector_size)
    {
        int status = -1;
        std::string out = run_command(tools_path() + "losetup --find --show --sector-size " +
                                          std::to_string(sector_size) + " " + shell_quote(image) + " 2>/dev/null",
                                      &status);
        if (status == 0 && out.rfind("/dev/", 0) == 0)
            path = out.substr(0, out.find('\n'));
    }
    ~loop_device_s()
    {
        if (!path.empty())
            run_command(tools_path() + "losetup -d " + shell_quote(path));
    }
};

TEST(disk_images, block_devices_are_read_unbuffered_at_their_own_sector_size)
{
    // After the partition at 2048 the next candidate is sector 2053, inside a
    // 4096-byte device sector: direct reads there must still be aligned.
    const std::string image = scratch_dir() + "/direct.img";
    std::vector<char> bytes(20480 * 512);
    auto put_ntfs = [&](uint64_t sector, uint64_t total) {
        const test_sector_t boot = ntfs_boot_sector(total);
        memcpy(bytes.data() + sector * 512, boot.data(), boot.size());
    };
    put_ntfs(2048, 4);
    put_ntfs(2053, 99);
    std::ofstream(image, std::ios::binary).write(bytes.data(), bytes.size());
    const QList<partition_item_s> expected{{"NTFS", 7, 2048, 2052}, {"NTFS", 7, 2053, 2152}};
    for (int sector_size : {512, 4096}) {
        loop_device_s loop(image, sector_size);
        if (loop.path.empty())
            GTEST_SKIP() << "no loop devices here";
        EXPECT_EQ(search_image(loop.path), expected) << sector_size;
        if (sector_size == 4096) {
            // Our table counts 512-byte sectors: writing it here would misplace every partition.
            partition_repair_c search;
            search.search_and_wait(drive_for_image(loop.path));
            QString error;
            EXPECT_EQ(repair_found(search, QString::fromStdString(scratch_dir() + "/backups"), nullptr, &error), -1);
        }
    }
    std::ifstream back(image, std::ios::binary);
    std::vector<char> after(bytes.size());
    back.read(after.data(), after.size());
    EXPECT_EQ(after, bytes);
}

// A disk with the marker boot sector at 2048, repaired by us.
std::string repaired_boot_disk(const std::string &name)
{
    const std::string image = scratch_dir() + "/" + name;
    std::vector<char> bytes(16384 * 512);
    std::ifstream marker(TARN_BOOT_MARKER, std::ios::binary);
    EXPECT_TRUE(marker.read(bytes.data() + 2048 * 512, 512));
    std::ofstream(image, std::ios::binary).write(bytes.data(), bytes.size());
    QList<partition_item_s> rows = search_image(image);
    EXPECT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.value(0), (partition_item_s{"NTFS", 7, 2048, 10239}));
    EXPECT_EQ(repair_image(image), 0);
    return image;
}

void patch(const std::string &image, uint64_t offset, std::initializer_list<uint8_t> bytes)
{
    std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    for (uint8_t b : bytes)
        f.put(static_cast<char>(b));
}

const char *qemu_disk_options = " -display none -no-reboot -serial none -drive format=raw,if=ide,file=";

// Boots the image until the screen shows one of the loader's messages (or
// 20 s pass) and returns the screen's text.
std::string boot_screen(const std::string &image)
{
    const std::string dump = scratch_dir() + "/vga.bin";
    const std::string save = "echo 'pmemsave 0xb8000 4000 \"" + dump + "\"'";
    run_command("rm -f " + shell_quote(dump) + "; (for i in $(seq 40); do sleep 0.5; " + save +
                "; sleep 0.2; tr -d '\\000\\007' < " + shell_quote(dump) +
                " 2>/dev/null | grep -aq -e 'operating system' -e 'partition table' && break; done; echo quit) |"
                " timeout 60 qemu-system-i386 -monitor stdio" +
                qemu_disk_options + shell_quote(image) + " >/dev/null 2>&1");
    std::ifstream in(dump, std::ios::binary);
    std::string cells((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    for (size_t i = 0; i < cells.size(); i += 2)
        text += cells[i];
    return text;
}

// Boots a repaired disk: our MBR code must find the active entry, load its
// boot sector and start it with DS:SI on the entry.
TEST(disk_images, repaired_disk_boots_its_active_partition)
{
    if (!have("qemu-system-i386"))
        GTEST_SKIP() << "qemu-system-i386 is not installed";
    const std::string image = repaired_boot_disk("boot.img");
    const std::string console = scratch_dir() + "/debugcon.txt";
    run_command("timeout 60 qemu-system-i386 -monitor none -debugcon file:" + shell_quote(console) +
                " -device isa-debug-exit,iobase=0xf4,iosize=0x04" + qemu_disk_options + shell_quote(image) +
                " >/dev/null 2>&1");
    std::ifstream in(console);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("TARN-BOOT-OK"), std::string::npos) << "the partition's boot sector did not run";
    EXPECT_NE(text.find("ENTRY-2048"), std::string::npos) << "DS:SI did not point at the active entry";
}

TEST(disk_images, boot_code_reports_what_keeps_it_from_booting)
{
    if (!have("qemu-system-i386"))
        GTEST_SKIP() << "qemu-system-i386 is not installed";
    // The active partition's first sector lost its signature.
    std::string unsigned_os = repaired_boot_disk("unsigned.img");
    patch(unsigned_os, 2048 * 512 + 510, {0, 0});
    EXPECT_NE(boot_screen(unsigned_os).find("Missing operating system"), std::string::npos);

    // A second active entry.
    std::string two_active = repaired_boot_disk("two-active.img");
    patch(two_active, 446 + 16, {0x80, 0, 1, 0, 7, 0, 1, 0, 0, 0x30, 0, 0, 1, 0, 0, 0});
    EXPECT_NE(boot_screen(two_active).find("Invalid partition table"), std::string::npos);

    // The active entry points past the end of the disk: every read fails.
    std::string beyond = repaired_boot_disk("beyond.img");
    patch(beyond, 446 + 8, {0x00, 0xFF, 0xFF, 0x7F});
    EXPECT_NE(boot_screen(beyond).find("Error loading operating system"), std::string::npos);
}

} // namespace
