// The search thread, the repair of sector 0 behind its backup, and putting a
// backup back.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <fstream>
#include <unistd.h>

#include "boot_sectors.h"
#include "core/partitions/mbr_backup.h"
#include "core/partitions/mbr_restore.h"
#include "core/partitions/partition_repair.h"
#include "platform/test_images.h"
#include "test_drives.h"

namespace {

// A disk image file with an NTFS and a FAT32 boot sector and an old sector 0.
std::string make_image(const std::string &name, bool with_partitions = true)
{
    std::string path = scratch_dir() + "/" + name;
    std::vector<uint8_t> bytes(80000 * 512);
    for (int i = 0; i < 440; ++i)
        bytes[i] = 0xCC;
    bytes[440] = 0x12;
    bytes[441] = 0x34;
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
    auto put = [&](uint64_t sector, const test_sector_t &s) {
        std::copy(s.begin(), s.end(), bytes.begin() + sector * 512);
    };
    if (with_partitions) {
        put(2048, ntfs_boot_sector(1999)); // 2048..4047
        put_fat32_volume(put, 4096, 70000);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    return path;
}

QByteArray read_file(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

drive_item_s drive_for(const std::string &path)
{
    drive_item_s drive = drive_for_image(path);
    EXPECT_FALSE(drive.is_header()) << path;
    return drive;
}

TEST(partition_repair, each_row_travels_with_its_signal_and_rows_are_a_stable_copy)
{
    std::string image = make_image("signals.img");
    partition_repair_c search;
    std::vector<partition_item_s> signalled;
    QObject::connect(&search, &partition_repair_c::partition_found, [&](const partition_item_s &row) {
        // The row is already readable when its signal arrives.
        EXPECT_TRUE(search.rows().contains(row));
        signalled.push_back(row);
    });
    search.search_and_wait(drive_for(image));
    const QList<partition_item_s> rows = search.rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (partition_item_s{"NTFS", 7, 2048, 4047}));
    EXPECT_EQ(rows[1], (partition_item_s{"FAT32", 12, 4096, 74095}));
    ASSERT_EQ(signalled.size(), 2u);
    EXPECT_EQ(signalled[1], rows[1]);
    EXPECT_EQ(search.progress(), 1.0);

    // A new search empties the rows first.
    search.search_and_wait(drive_for(make_image("empty.img", false)));
    EXPECT_TRUE(search.rows().isEmpty());
}

TEST(partition_repair, search_keeps_its_own_copy_of_the_drive)
{
    std::string image = make_image("copy.img");
    partition_repair_c search;
    {
        drive_item_s drive = drive_for(image);
        search.start_with_drive(drive);
        drive.name = QStringLiteral("/nonexistent"); // the drive list is rebuilt meanwhile
    }
    search.wait();
    EXPECT_EQ(search.rows().size(), 2);
    EXPECT_EQ(search.drive().name, QString::fromStdString(image));
}

TEST(partition_repair, a_drive_that_cannot_be_opened_is_not_reported_as_searched)
{
    std::string image = make_image("vanishing.img");
    drive_item_s drive = drive_for(image);
    ASSERT_EQ(unlink(image.c_str()), 0);
    partition_repair_c search;
    search.search_and_wait(drive);
    EXPECT_TRUE(search.rows().isEmpty());
    EXPECT_EQ(search.progress(), 0.0);
    EXPECT_FALSE(search.open_error().isEmpty());
}

TEST(partition_repair, a_stop_request_ends_the_thread_without_a_false_finish)
{
    // 64 GiB of holes: a full search would read half a million windows.
    std::string image = scratch_dir() + "/huge.img";
    std::ofstream(image).close();
    ASSERT_EQ(truncate(image.c_str(), 64ll << 30), 0);
    partition_repair_c search;
    search.start_with_drive(drive_for(image));
    search.request_stop();
    ASSERT_TRUE(search.wait(20000)) << "the search did not stop";
    EXPECT_LT(search.progress(), 1.0);
    QString error;
    EXPECT_EQ(repair_found(search, QString::fromStdString(scratch_dir()), nullptr, &error), -1) << "nothing was found";
}

TEST(partition_repair, repair_saves_the_old_sector_then_writes_the_table)
{
    std::string image = make_image("repair.img");
    QString folder = QString::fromStdString(scratch_dir() + "/backups-repair");
    const QByteArray before = read_file(QString::fromStdString(image));
    partition_repair_c search;
    QString backup, error;
    EXPECT_EQ(repair_found(search, folder, &backup, &error), -1) << "no drive searched yet";
    EXPECT_TRUE(backup.isEmpty());

    search.search_and_wait(drive_for(image));
    ASSERT_EQ(repair_found(search, folder, &backup, &error), 0) << error.toStdString();
    EXPECT_TRUE(backup.startsWith(folder));
    EXPECT_TRUE(backup.contains(QStringLiteral("repair.img")));
    EXPECT_EQ(read_file(backup).left(512), before.left(512));

    const QByteArray after = read_file(QString::fromStdString(image));
    EXPECT_EQ(after.mid(440, 6), before.mid(440, 6));
    EXPECT_EQ(static_cast<uint8_t>(after[446]), 0x80);
    EXPECT_EQ(after[446 + 4], 7);
    EXPECT_EQ(after[446 + 16 + 4], 12);
    EXPECT_EQ(after.mid(512), before.mid(512)) << "only sector 0 changes";

    // The table now lists what was found: a second repair writes nothing.
    QString second;
    EXPECT_EQ(repair_found(search, folder, &second, &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("already lists every partition found"))) << error.toStdString();
    EXPECT_TRUE(second.isEmpty());
    EXPECT_EQ(read_file(QString::fromStdString(image)), after);
}

TEST(partition_repair, nothing_is_written_without_rows_or_without_a_backup)
{
    std::string image = make_image("norows.img", false);
    const QByteArray before = read_file(QString::fromStdString(image));
    partition_repair_c search;
    search.search_and_wait(drive_for(image));
    QString folder = QString::fromStdString(scratch_dir() + "/backups-norows");
    QString backup, error;
    EXPECT_EQ(repair_found(search, folder, &backup, &error), -1);
    EXPECT_TRUE(backup.isEmpty());
    EXPECT_FALSE(QDir(folder).exists());
    EXPECT_EQ(read_file(QString::fromStdString(image)), before);

    // A backup folder that cannot be made stops the repair before any write.
    std::string found = make_image("nobackup.img");
    const QByteArray found_before = read_file(QString::fromStdString(found));
    search.search_and_wait(drive_for(found));
    QString blocked = QString::fromStdString(found) + QStringLiteral("/inside-a-file");
    EXPECT_EQ(repair_found(search, blocked, &backup, &error), -1);
    EXPECT_EQ(read_file(QString::fromStdString(found)), found_before);
}

TEST(partition_repair, a_backup_goes_back_only_onto_the_disk_it_was_taken_from)
{
    const std::string dir = scratch_dir();
    auto write = [&](const std::string &name, QByteArray bytes) {
        QString path = QString::fromStdString(dir + "/" + name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    };
    QByteArray good(512, 0);
    good[510] = 0x55;
    good[511] = char(0xAA);
    mbr_backup_s out;
    EXPECT_EQ(load_mbr_backup(write("short.bin", good.left(511)), out, nullptr), -1);
    EXPECT_EQ(load_mbr_backup(write("long.bin", good + QByteArray(9000, 'x')), out, nullptr), -1);
    QByteArray unsigned_sector = good;
    unsigned_sector[511] = 0;
    EXPECT_EQ(load_mbr_backup(write("unsigned.bin", unsigned_sector), out, nullptr), -1);
    EXPECT_EQ(load_mbr_backup(write("no-record.bin", good + "junk"), out, nullptr), -1);
    EXPECT_EQ(load_mbr_backup(QString::fromStdString(dir + "/missing.bin"), out, nullptr), -1);

    const QString disk_a = QString::fromStdString(make_image("restore-a.img"));
    const QString disk_b = QString::fromStdString(make_image("restore-b.img"));
    const QByteArray b_before = read_file(disk_b);
    const QString folder = QString::fromStdString(dir + "/backups-restore");
    QString from_a, replaced, error;
    sector_bytes_t sector{};
    sector[510] = 0x55;
    sector[511] = 0xAA;
    sector[0] = 0x42;
    ASSERT_EQ(save_mbr_backup(folder, disk_a, read_file(disk_a).size(), {{0, sector}}, {0}, &from_a, &error), 0);

    // Another disk of the same size: refused before anything is written.
    EXPECT_EQ(restore_sector_zero(disk_b, from_a, true, folder, &replaced, &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("another disk"))) << error.toStdString();
    EXPECT_EQ(read_file(disk_b), b_before);
    // A bare sector records no disk: put back only when asked explicitly.
    const QString bare = write("bare.bin", good);
    EXPECT_EQ(restore_sector_zero(disk_b, bare, false, folder, &replaced, &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("bare"))) << error.toStdString();
    EXPECT_EQ(read_file(disk_b), b_before);
    EXPECT_EQ(restore_sector_zero(disk_b, bare, true, folder, &replaced, &error), 0) << error.toStdString();
    EXPECT_EQ(read_file(disk_b).left(512), good);

    ASSERT_EQ(restore_sector_zero(disk_a, from_a, false, folder, &replaced, &error), 0) << error.toStdString();
    EXPECT_EQ(static_cast<uint8_t>(read_file(disk_a)[0]), 0x42);
    // The same disk grown since: no longer the disk the backup describes.
    ASSERT_EQ(truncate(disk_a.toLocal8Bit().constData(), 90000 * 512), 0);
    EXPECT_EQ(restore_sector_zero(disk_a, from_a, false, folder, &replaced, &error), -1);
}

TEST(partition_repair, cli_repair_needs_yes_and_restore_mbr_undoes_it)
{
    const char *cli = getenv("TARN_CLI");
    if (!cli)
        GTEST_SKIP() << "TARN_CLI not set";
    std::string image = make_image("cli.img");
    std::string state = scratch_dir() + "/state";
    std::string env = "XDG_STATE_HOME=" + shell_quote(state) + " ";
    const QByteArray before = read_file(QString::fromStdString(image));
    int status = -1;
    std::string shown = run_command(env + shell_quote(cli) + " repair " + shell_quote(image), &status);
    EXPECT_EQ(status, 0);
    // The table on the disk now (none), then the one to write.
    EXPECT_NE(shown.find("now on " + image + ":"), std::string::npos) << shown;
    EXPECT_NE(shown.find("(no partition table)"), std::string::npos) << shown;
    EXPECT_LT(shown.find("(no partition table)"), shown.find("2048")) << shown;
    EXPECT_EQ(read_file(QString::fromStdString(image)), before) << "written without --yes";

    std::string done = run_command(env + shell_quote(cli) + " repair --yes " + shell_quote(image), &status);
    ASSERT_EQ(status, 0) << done;
    QStringList backups = QDir(QString::fromStdString(state + "/TarnRecovery/mbr-backups")).entryList(QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    const QByteArray repaired = read_file(QString::fromStdString(image));
    EXPECT_NE(repaired, before);

    // A refusal is a failure with its reason, also with --yes.
    std::string refused = run_command(env + shell_quote(cli) + " repair --yes " + shell_quote(image) + " 2>&1", &status);
    EXPECT_EQ(status, 1) << refused;
    EXPECT_NE(refused.find("refused, nothing written: the partition table of " + image + " already lists"),
              std::string::npos)
        << refused;
    EXPECT_EQ(read_file(QString::fromStdString(image)), repaired);

    std::string backup = state + "/TarnRecovery/mbr-backups/" + backups[0].toStdString();
    run_command(env + shell_quote(cli) + " restore-mbr " + shell_quote(image) + " " + shell_quote(backup), &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_file(QString::fromStdString(image)), before);
}

} // namespace
