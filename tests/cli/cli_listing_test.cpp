// tarnrecovery-cli drives and volumes, run as a user runs them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <unistd.h>

#include "platform/test_disks.h"
#include "platform/test_images.h"
#include "platform/volume_path.h"

namespace {

struct run_s {
    int status = -1;
    std::string out, err;
};

run_s run_cli(const std::string &arguments)
{
    run_s r;
    const char *cli = getenv("TARN_CLI");
    if (!cli)
        return r;
    const std::string err_file = scratch_dir() + "/stderr.txt";
    r.out = run_command(shell_quote(cli) + " " + arguments + " 2>" + shell_quote(err_file), &r.status);
    r.err = run_command("cat " + shell_quote(err_file));
    return r;
}

QJsonArray json_list(const run_s &r, const char *key)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()[key].toArray();
}

} // namespace

// Catches a JSON listing that loses a partition, reports the wrong offset,
// file system or label, or a volume path that does not name its partition.
TEST(cli_volumes, json_lists_the_partitions_of_an_image)
{
    const std::string disk = make_mbr_disk();
    ASSERT_FALSE(disk.empty());
    run_s r = run_cli("volumes --json --image " + shell_quote(disk));
    ASSERT_EQ(r.status, 0) << r.err;
    struct expected_s {
        int partition;
        uint64_t start;
        const char *fs, *label;
    };
    const expected_s expected[] = {{1, 2048 * 512, "FAT", "TARN16"},
                                   {5, 20480 * 512, "FAT32", "TARN32"},
                                   {6, 43008 * 512, "NTFS", "TARNNTFS"}};
    size_t seen = 0;
    for (const QJsonValue &value : json_list(r, "volumes")) {
        QJsonObject v = value.toObject();
        std::string source;
        int number = -1;
        ASSERT_TRUE(parse_volume_path(v["volume_path"].toString().toStdString(), source, number));
        if (source != disk)
            continue;
        ASSERT_LT(seen, 3u);
        const expected_s &e = expected[seen++];
        EXPECT_EQ(number, e.partition);
        EXPECT_EQ(v["partition"].toInt(), e.partition);
        EXPECT_EQ(uint64_t(v["start_byte"].toInteger()), e.start);
        EXPECT_EQ(v["file_system"].toString(), e.fs);
        EXPECT_EQ(v["label"].toString(), e.label);
        EXPECT_EQ(v["mount_path"].toString(), v["device"].toString());
    }
    EXPECT_EQ(seen, 3u);
}

// The readable table shows every volume of the image with its label.
TEST(cli_volumes, table_shows_labels_and_file_systems)
{
    const std::string disk = make_mbr_disk();
    ASSERT_FALSE(disk.empty());
    run_s r = run_cli("volumes --image " + shell_quote(disk));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Device", 0), 0u);
    for (const char *text : {"TARN16", "TARN32", "TARNNTFS", "FAT32", "NTFS", " partition 5 "})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

// Added images come last in the disk table, with their real size and a
// geometry that never rounds a small image down to nothing.
TEST(cli_drives, json_lists_added_images_last)
{
    const std::string mbr = make_mbr_disk();
    const std::string gpt = make_gpt_disk();
    ASSERT_FALSE(mbr.empty());
    ASSERT_FALSE(gpt.empty());
    run_s r = run_cli("drives --json --image " + shell_quote(mbr) + " --image " + shell_quote(gpt));
    ASSERT_EQ(r.status, 0) << r.err;
    QJsonArray drives = json_list(r, "drives");
    ASSERT_GE(drives.size(), 2);
    QJsonObject first = drives[drives.size() - 2].toObject(), last = drives.last().toObject();
    EXPECT_EQ(first["path"].toString().toStdString(), mbr);
    EXPECT_EQ(last["path"].toString().toStdString(), gpt);
    EXPECT_TRUE(last["image"].toBool());
    EXPECT_EQ(last["number"].toInt(), drives.size() - 1);
    EXPECT_EQ(last["size_bytes"].toInteger(), 48 << 20);
    EXPECT_GT(last["size"].toInteger(), 0);
    EXPECT_LE(last["size"].toInteger(), 48 << 20);
    EXPECT_TRUE(last["ready"].toBool());

    r = run_cli("drives --image " + shell_quote(gpt));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(gpt), std::string::npos);
}

// A missing or unreadable target, a folder given as an image, and words the
// command does not take all end with status 2 and a message naming the cause.
TEST(cli_listing, bad_targets_exit_with_status_2)
{
    const std::string missing = scratch_dir() + "/no such.img";
    for (const char *command : {"drives", "volumes"}) {
        run_s r = run_cli(std::string(command) + " --image " + shell_quote(missing));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("no such.img"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());

        r = run_cli(std::string(command) + " --image " + shell_quote(scratch_dir()));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("not a block device or a regular file"), std::string::npos) << r.err;

        EXPECT_EQ(run_cli(std::string(command) + " --frobnicate").status, 2);
        EXPECT_EQ(run_cli(std::string(command) + " /dev/sda").status, 2);
        EXPECT_EQ(run_cli(std::string(command) + " --image").status, 2);
    }
    if (geteuid() != 0) {
        const std::string locked = scratch_dir() + "/locked.img";
        run_command("truncate -s 1M " + shell_quote(locked) + " && chmod 000 " + shell_quote(locked));
        run_s r = run_cli("volumes --image " + shell_quote(locked));
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
    }
}
