// Disks the partition table repair must leave alone, each made here with the
// system's own tools, and the checks that keep a shown plan from going stale.
#include <gtest/gtest.h>

#include <QFile>
#include <fstream>

#include "boot_sectors.h"
#include "core/partitions/table_repair.h"
#include "platform/mbr_layout.h"
#include "platform/test_images.h"
#include "shell_steps.h"
#include "test_drives.h"

namespace {

// A file system of `megabytes` made by `mkfs` (its image is the last word),
// copied into image at sector `at`.
void put_file_system(const std::string &image, uint64_t at, int megabytes, const std::string &mkfs)
{
    const std::string part = scratch_dir() + "/part.fs";
    sh("rm -f " + part + "; truncate -s " + std::to_string(megabytes) + "M " + part + "; " + mkfs + " " + part +
       " >/dev/null 2>&1; dd if=" + part + " of=" + shell_quote(image) + " bs=512 seek=" + std::to_string(at) +
       " conv=notrunc status=none");
}

std::string mkntfs_at(uint64_t start)
{
    return "mkntfs -F -Q -q -H 255 -S 63 -p " + std::to_string(start);
}

// FAT16, ext4 and NTFS partitions under an MBR; with a stale second entry,
// that entry starts 2048 sectors into the ext4 file system.
std::string three_partition_disk(const std::string &name, bool stale = false)
{
    const std::string image = scratch_dir() + "/" + name;
    const std::string second = stale ? "36864,30720,83" : "34816,32768,83";
    sh("rm -f " + image + "; truncate -s 64M " + image + "; printf '2048,32768,6\\n" + second +
       "\\n67584,,7\\n' | sfdisk -q " + image);
    put_file_system(image, 2048, 16, "mkfs.fat -F 16");
    put_file_system(image, 34816, 16, "mkfs.ext4 -q -F");
    put_file_system(image, 67584, 31, mkntfs_at(67584));
    return image;
}

struct plan_result_s {
    int rc = 0;
    QString error;
    table_repair_plan_s plan;
};

plan_result_s plan_for(const std::string &image, const QList<int> &drop = {})
{
    partition_repair_c search;
    search.search_and_wait(drive_for_image(image));
    plan_result_s r;
    r.rc = plan_table_repair(search.drive(), search.rows(), drop, r.plan, &r.error);
    return r;
}

// Plans and, where planning would let it, applies: neither may touch a byte.
void expect_refused(const std::string &image, const char *reason, const QList<int> &drop = {})
{
    SCOPED_TRACE(image);
    const QByteArray before = bytes_of(image);
    ASSERT_FALSE(before.isEmpty());
    plan_result_s r = plan_for(image, drop);
    EXPECT_EQ(r.rc, -1);
    EXPECT_FALSE(r.plan.ready);
    EXPECT_TRUE(r.error.contains(QLatin1String(reason))) << r.error.toStdString();
    QString backup, error;
    EXPECT_EQ(apply_table_repair(r.plan, QString::fromStdString(scratch_dir() + "/backups"), &backup, &error), -1);
    EXPECT_TRUE(backup.isEmpty());
    EXPECT_EQ(bytes_of(image), before) << "a refused repair wrote to the disk";
}

TEST(table_repair, refuses_every_repair_that_would_damage_the_disk)
{
    const std::string dir = scratch_dir();
    {
        SCOPED_TRACE("a bare NTFS volume: its boot sector is sector 0");
        const std::string image = dir + "/bare-ntfs.img";
        sh("truncate -s 16M " + image + "; mkntfs -F -Q -q " + image);
        expect_refused(image, "boot sector of the NTFS file system");
    }
    {
        SCOPED_TRACE("an mtools floppy: a FAT boot sector with an entry pointing at itself");
        const std::string image = dir + "/floppy.img";
        sh("rm -f " + image + "; mformat -C -f 1440 -i " + image + " ::");
        expect_refused(image, "boot sector of the FAT file system");
    }
    {
        SCOPED_TRACE("a whole GPT disk that lists what was found");
        const std::string image = dir + "/gpt.img";
        sh("truncate -s 64M " + image +
           "; printf 'label: gpt\\n2048,,EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\\n' | sfdisk -q " + image);
        put_file_system(image, 2048, 31, mkntfs_at(2048));
        expect_refused(image, "already lists every partition found");
    }
    {
        SCOPED_TRACE("a 4 MiB disk whose NTFS boot sector claims 12 MiB");
        const std::string image = dir + "/small.img";
        std::vector<char> disk(4 << 20);
        const test_sector_t boot = ntfs_boot_sector(24575);
        std::copy(boot.begin(), boot.end(), disk.begin() + 2048 * 512);
        std::ofstream(image, std::ios::binary).write(disk.data(), disk.size());
        expect_refused(image, "runs past the end of the disk");
    }
    {
        SCOPED_TRACE("a healthy MBR with FAT16, ext4 and NTFS: its table already lists them");
        expect_refused(three_partition_disk("three.img"), "already lists every partition found");
        SCOPED_TRACE("a stale entry where the ext4 file system was found");
        const std::string image = three_partition_disk("stale.img", true);
        expect_refused(image, "would drop partition 2 (type 0x83, sectors 36864 to 67583)");
        expect_refused(image, "partition 3 is not one the new table would drop", {2, 3});
    }
    {
        SCOPED_TRACE("a found partition at sector 0, where the table goes");
        const std::string image = dir + "/zero.img";
        sh("rm -f " + image + "; truncate -s 4M " + image);
        table_repair_plan_s plan;
        QString error;
        EXPECT_EQ(plan_table_repair(drive_for_image(image), {partition_item_s{"NTFS", 7, 0, 2047}}, {}, plan, &error),
                  -1);
        EXPECT_TRUE(error.contains(QStringLiteral("starts at sector 0"))) << error.toStdString();
    }
}

TEST(table_repair, dropping_named_partitions_writes_the_plan_that_was_shown)
{
    const std::string image = three_partition_disk("drop.img", true);
    plan_result_s r = plan_for(image, {2});
    ASSERT_EQ(r.rc, 0) << r.error.toStdString();
    ASSERT_EQ(r.plan.dropped.size(), 1);
    EXPECT_EQ(r.plan.current.partitions.size(), 3u);
    const mbr_entry_fields_s found = decode_mbr_entry(r.plan.new_sector.data(), 1);
    EXPECT_EQ(found.first_lba, 34816u);
    EXPECT_EQ(found.sector_count, 32768u);

    // Sector 0 changing after the plan was shown makes the plan stale.
    const QString folder = QString::fromStdString(scratch_dir() + "/backups-drop");
    QString backup, error;
    sh("printf 'XX' | dd of=" + image + " bs=1 seek=100 conv=notrunc status=none");
    const QByteArray changed = bytes_of(image);
    EXPECT_EQ(apply_table_repair(r.plan, folder, &backup, &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("changed since"))) << error.toStdString();
    EXPECT_EQ(bytes_of(image), changed);

    r = plan_for(image, {2});
    ASSERT_EQ(apply_table_repair(r.plan, folder, &backup, &error), 0) << error.toStdString();
    const QByteArray after = bytes_of(image);
    EXPECT_EQ(after.left(512), QByteArray(reinterpret_cast<const char *>(r.plan.new_sector.data()), 512));
    EXPECT_EQ(bytes_of(backup.toStdString()).left(512), changed.left(512));
    EXPECT_EQ(after.mid(512), changed.mid(512)) << "only sector 0 changes";
}

TEST(table_repair, refuses_a_disk_with_a_mounted_partition)
{
    const std::string image = three_partition_disk("mounted.img", true);
    const std::string mount_point = scratch_dir() + "/mnt";
    int status = -1;
    // The ext4 partition, mounted through a loop device of the image.
    run_command(with_sbin + "mkdir -p " + mount_point + " && mount -o loop,ro,offset=" + std::to_string(34816 * 512) +
                    ",sizelimit=" + std::to_string(32768 * 512) + " " + image + " " + mount_point + " 2>/dev/null",
                &status);
    if (status != 0)
        GTEST_SKIP() << "cannot mount a loop device here (needs root)";
    expect_refused(image, "is mounted on", {2});
    run_command("umount " + mount_point);
    EXPECT_EQ(plan_for(image, {2}).rc, 0) << "unmounted, the disk may be repaired";
}

} // namespace
