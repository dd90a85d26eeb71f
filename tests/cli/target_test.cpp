// What scan and recover are pointed at: volumes by device, mount or volume
// path, whole-volume images, partitions of disk images, and whole disks.
#include <gtest/gtest.h>

#include "cli/target.h"
#include "platform/disks.h"
#include "platform/test_disks.h"
#include "platform/test_images.h"
#include "platform/volume_path.h"

namespace {

bool resolve(const QStringList &words, volume_item_s &row, QString &error)
{
    cli_args_c args(words, {QStringLiteral("image"), QStringLiteral("partition")});
    EXPECT_TRUE(args.ok());
    return resolve_target(args, row, &error);
}

class target_test : public ::testing::Test {
protected:
    void SetUp() override { clear_disk_images(); }
    void TearDown() override { clear_disk_images(); }
};

} // namespace

// Catches a partition of the wrong number or offset being scanned, and a disk
// image with several partitions silently scanned as one volume.
TEST_F(target_test, disk_image_partitions_need_and_honour_partition)
{
    const QString disk = QString::fromStdString(make_mbr_disk());
    ASSERT_FALSE(disk.isEmpty());
    volume_item_s row;
    QString error;
    EXPECT_FALSE(resolve({disk}, row, error));
    EXPECT_TRUE(error.contains("1, 5, 6")) << error.toStdString();
    EXPECT_TRUE(error.contains("--partition")) << error.toStdString();

    ASSERT_TRUE(resolve({disk, "--partition", "5"}, row, error)) << error.toStdString();
    EXPECT_EQ(row.partition_number, 5);
    EXPECT_EQ(row.file_system, "FAT32");
    EXPECT_EQ(row.label, "TARN32");
    EXPECT_EQ(row.volume_path.toStdString(), make_volume_path(disk.toStdString(), 5));

    EXPECT_FALSE(resolve({disk, "--partition", "3"}, row, error));
    EXPECT_TRUE(error.contains("no partition 3")) << error.toStdString();
    EXPECT_FALSE(resolve({disk, "--partition", "x"}, row, error));

    // The name stored in a scan file leads back to the same volume.
    ASSERT_TRUE(resolve({QString::fromStdString(make_volume_path(disk.toStdString(), 6))}, row, error))
        << error.toStdString();
    EXPECT_EQ(row.file_system, "NTFS");
    EXPECT_EQ(row.partition_number, 6);
}

// A whole-volume image is its own volume; one whose boot sector is wiped is
// still a target (for the raw scan) rather than an error.
TEST_F(target_test, whole_volume_images_resolve_with_or_without_file_system)
{
    const std::string fat = unpack_shared_image("dfir_ntfs/fat16.raw.gz");
    if (fat.empty())
        GTEST_SKIP();
    volume_item_s row;
    QString error;
    ASSERT_TRUE(resolve({QString::fromStdString(fat)}, row, error)) << error.toStdString();
    EXPECT_EQ(row.partition_number, 0);
    EXPECT_EQ(row.file_system, "FAT");
    EXPECT_EQ(row.total_bytes, 12u << 20);

    const std::string wiped = scratch_dir() + "/wiped.img";
    run_command("cp " + shell_quote(fat) + " " + shell_quote(wiped) + " && dd if=/dev/zero of=" + shell_quote(wiped) +
                " bs=512 count=1 conv=notrunc status=none");
    ASSERT_TRUE(resolve({QString::fromStdString(wiped)}, row, error)) << error.toStdString();
    EXPECT_EQ(row.partition_number, 0);
    EXPECT_EQ(row.file_system, "");
    EXPECT_FALSE(row.is_header());
}

// Errors name the target and say what is wrong with it.
TEST_F(target_test, bad_targets_are_named_in_the_error)
{
    volume_item_s row;
    QString error;
    EXPECT_FALSE(resolve({}, row, error));
    EXPECT_TRUE(error.contains("no target")) << error.toStdString();

    const QString missing = QString::fromStdString(scratch_dir() + "/gone.img");
    EXPECT_FALSE(resolve({missing}, row, error));
    EXPECT_TRUE(error.startsWith(missing)) << error.toStdString();
    EXPECT_TRUE(error.contains("No such file")) << error.toStdString();

    const QString folder = QString::fromStdString(scratch_dir());
    EXPECT_FALSE(resolve({folder}, row, error));
    EXPECT_TRUE(error.contains("not the mount path")) << error.toStdString();

    EXPECT_FALSE(resolve({QString::fromStdString(make_volume_path(scratch_dir() + "/gone.img", 1))}, row, error));
}

// Whole disks by image path, by table index, and refusals.
TEST_F(target_test, disks_resolve_by_path_or_number)
{
    const std::string gpt = make_gpt_disk();
    ASSERT_FALSE(gpt.empty());
    int number = -1;
    QString error;
    ASSERT_TRUE(resolve_disk(QString::fromStdString(gpt), number, &error)) << error.toStdString();
    std::vector<disk_info_s> disks = list_disks();
    ASSERT_EQ(number, static_cast<int>(disks.size()) - 1);
    EXPECT_EQ(disks[size_t(number)].path, gpt);

    int again = -1;
    ASSERT_TRUE(resolve_disk(QString::number(number), again, &error));
    EXPECT_EQ(again, number);
    EXPECT_FALSE(resolve_disk(QString::number(disks.size()), again, &error));
    EXPECT_FALSE(resolve_disk("-1", again, &error));
    EXPECT_FALSE(resolve_disk(QString::fromStdString(scratch_dir() + "/gone.img"), again, &error));
    EXPECT_TRUE(error.contains("gone.img"));
}
