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

// Catches: options that contradict or repeat taken silently (a since date
// after the until date; a second --out, --partition, --save, --result or
// --since winning over the first), and a refusal of a volume without a file
// system quoting an empty name.
TEST(cli_options, contradictions_and_repeats_are_refused)
{
    const std::string blank = scratch_dir() + "/blank.img";
    run_command("truncate -s 1M " + shell_quote(blank));
    const std::string target = " " + shell_quote(blank);
    const std::string out = " " + shell_quote(scratch_dir() + "/out");
    const std::string saved = " " + shell_quote(scratch_dir() + "/scan.sav");
    const std::pair<std::string, std::string> refused[] = {
        {"scan" + target + " --since 2024-02-01 --until 2024-01-31", "the since date is later than the until date"},
        {"recover" + target + " --deep --all --out" + out + " --out" + out + "2", "option --out is given more than once"},
        {"scan" + target + " --partition 1 --partition=2", "option --partition is given more than once"},
        {"scan" + target + " --deep --save" + saved + " --save" + saved, "option --save is given more than once"},
        {"recover --result" + saved + " --result" + saved + " --out" + out + " --all",
         "option --result is given more than once"},
        {"scan" + target + " --since 2024-01-01 --since 2024-02-01", "option --since is given more than once"},
    };
    for (const auto &[arguments, says] : refused) {
        run_s r = run_cli(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_EQ(run_cli("scan" + target + " --deep --type jpg --type png --name a --name b").status, 0)
        << "lists may repeat";
    run_s r = run_cli("scan" + target);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(blank + " holds no FAT, exFAT or NTFS file system; use --deep"), std::string::npos) << r.err;
}

namespace {

// Runs a shell script that builds images inside folder (made first); false
// when a step failed.
bool build_images(const std::string &folder, const std::string &script)
{
    int status = -1;
    run_command("set -e; mkdir -p " + shell_quote(folder) + "; cd " + shell_quote(folder) + "; " + script, &status);
    return status == 0;
}

// What a scan printed: the rows and the summary line of the progress output.
std::string scan_result(const std::string &target, const std::string &images)
{
    run_s r = run_cli("scan " + shell_quote(target) + " --json" + images);
    size_t summary = r.err.rfind("Scanned ");
    return std::to_string(r.status) + "\n" + r.out + (summary == std::string::npos ? "" : r.err.substr(summary));
}

} // namespace

// Any number of disks can be read in one process: with 27 images added, the
// tenth and later (and the NTFS one past the 26th) scan as they do alone.
TEST(cli_scan, each_of_27_added_images_scans_as_it_does_alone)
{
    const std::string folder = scratch_dir() + "/many";
    ASSERT_TRUE(build_images(folder,
                             "for i in $(seq -w 1 26); do mkfs.fat -C fat$i.img 360 >/dev/null;"
                             " printf 'file %s' $i > f.txt; mcopy -i fat$i.img f.txt ::FILE$i.TXT;"
                             " mdel -i fat$i.img ::FILE$i.TXT; done"
                             "; truncate -s 4M ntfs27.img; mkntfs -F -Q -q ntfs27.img >/dev/null 2>&1"));
    std::vector<std::string> images;
    std::string all;
    for (int i = 1; i <= 27; ++i) {
        char name[32];
        snprintf(name, sizeof name, i < 27 ? "/fat%02d.img" : "/ntfs27.img", i);
        images.push_back(folder + name);
        all += " --image " + shell_quote(images.back());
    }
    run_s listing = run_cli("volumes --json" + all);
    ASSERT_EQ(listing.status, 0) << listing.err;
    int fat = 0, ntfs = 0;
    for (const QJsonValue &value : json_list(listing, "volumes")) {
        const QString fs = value.toObject()[QStringLiteral("file_system")].toString();
        fat += fs == QStringLiteral("FAT");
        ntfs += fs == QStringLiteral("NTFS");
    }
    EXPECT_EQ(fat, 26);
    EXPECT_EQ(ntfs, 1);
    for (int index : {0, 9, 10, 25, 26}) {
        SCOPED_TRACE(images[index]);
        const std::string alone = scan_result(images[index], "");
        EXPECT_NE(alone.find(index < 26 ? "ILE" : "Scanned"), std::string::npos) << alone;
        EXPECT_EQ(scan_result(images[index], all), alone);
    }
}

// Unmounted volumes show the free space their file system counts (the FAT's
// free entries or FSInfo, the NTFS $Bitmap), and nothing where none is read:
// never a made-up 0B.
TEST(cli_volumes, free_space_of_unmounted_volumes_comes_from_the_file_system)
{
    const std::string folder = scratch_dir() + "/free";
    ASSERT_TRUE(build_images(folder,
                             "mkfs.fat -F 16 -s 1 -C fat16.img 8192 >/dev/null"
                             "; head -c 300000 /dev/zero > f.bin; mcopy -i fat16.img f.bin ::F.BIN"
                             "; mkfs.fat -F 32 -C fat32.img 40000 >/dev/null; mcopy -i fat32.img f.bin ::F.BIN"
                             "; truncate -s 4M ntfs.img; mkntfs -F -Q -q ntfs.img >/dev/null 2>&1"
                             "; mkfs.ext2 -q -F ext2.img 2048 >/dev/null 2>&1"));
    auto mdir_free = [&](const char *name) {
        std::string out = run_command("mdir -i " + shell_quote(folder + name) + " :: | tr -d ' ' | grep bytesfree");
        return std::stod(out.substr(0, out.find("bytes")));
    };
    std::string info = run_command("ntfsinfo -m " + shell_quote(folder + "/ntfs.img") +
                                   " | awk '/Cluster Size:/{c=$3} /Free Clusters:/{f=$3} END{print c*f}'");
    const double expected[] = {mdir_free("/fat16.img"), mdir_free("/fat32.img"), std::stod(info)};

    const char *names[] = {"/fat16.img", "/fat32.img", "/ntfs.img", "/ext2.img"};
    std::string images;
    for (const char *name : names)
        images += " --image " + shell_quote(folder + name);
    run_s r = run_cli("volumes --json" + images);
    ASSERT_EQ(r.status, 0) << r.err;
    int seen = 0;
    for (const QJsonValue &value : json_list(r, "volumes")) {
        const QJsonObject v = value.toObject();
        for (int i = 0; i < 4; ++i) {
            if (v["device"].toString().toStdString() != folder + names[i])
                continue;
            ++seen;
            if (i < 3)
                EXPECT_EQ(v["free_bytes"].toDouble(-1), expected[i]) << names[i];
            else
                EXPECT_TRUE(v["free_bytes"].isNull()) << "no count is read from ext2";
        }
    }
    EXPECT_EQ(seen, 4);
    run_s table = run_cli("volumes" + images);
    const size_t ext2_row = table.out.find(folder + "/ext2.img");
    ASSERT_NE(ext2_row, std::string::npos);
    const std::string row = table.out.substr(ext2_row, table.out.find('\n', ext2_row) - ext2_row);
    EXPECT_EQ(row.find("0B"), std::string::npos) << row;
    EXPECT_NE(row.find(" - "), std::string::npos) << row;
}

// Volume images whose sector 0 was zeroed are still listed with their file
// system (from its backup boot sector) and scan as the intact ones do.
TEST(cli_scan, wiped_boot_sectors_are_read_from_their_backups)
{
    const std::string folder = scratch_dir() + "/wiped";
    ASSERT_TRUE(build_images(folder,
                             "mkfs.fat -F 32 -C fat32.img 40000 >/dev/null; printf gone > g.txt"
                             "; mcopy -i fat32.img g.txt ::GONE.TXT; mdel -i fat32.img ::GONE.TXT"
                             "; truncate -s 4M ntfs.img; mkntfs -F -Q -q ntfs.img >/dev/null 2>&1"
                             "; for f in fat32 ntfs; do cp $f.img $f-wiped.img; dd if=/dev/zero"
                             " of=$f-wiped.img bs=512 count=1 conv=notrunc status=none; done"));
    for (const char *fs : {"fat32", "ntfs"}) {
        SCOPED_TRACE(fs);
        const std::string intact = folder + "/" + fs + ".img", wiped = folder + "/" + fs + "-wiped.img";
        run_s listing = run_cli("volumes --json --image " + shell_quote(wiped));
        const QJsonArray volumes = json_list(listing, "volumes");
        ASSERT_FALSE(volumes.isEmpty()) << listing.err;
        EXPECT_EQ(volumes.last().toObject()["file_system"].toString(), QString::fromLatin1(fs).toUpper());
        const std::string expected = scan_result(intact, "");
        const std::string got = scan_result(wiped, "");
        // The summary line names the image; compare what follows it.
        EXPECT_EQ(got.substr(0, got.find("Scanned ")), expected.substr(0, expected.find("Scanned ")));
        const size_t note = got.find("\nnote: the boot sector is damaged; its backup copy");
        ASSERT_NE(note, std::string::npos) << got;
        EXPECT_EQ(got.substr(got.find("):"), note + 1 - got.find("):")), expected.substr(expected.find("):")));
    }
}
