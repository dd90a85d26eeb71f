// Disks partitioned as people have them, formatted by their own tools, whose
// tables were then lost: every partition is found where it was, the repaired
// table lists each at its old start and size, and each file system still
// probes as itself.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>

#include "core/partitions/mbr_restore.h"
#include "core/partitions/table_repair.h"
#include "platform/test_images.h"
#include "shell_steps.h"
#include "test_drives.h"

namespace {

struct made_s {
    std::string fs;
    uint64_t start = 0, count = 0;
};

// Builds the lost disk and a copy to repair; the partitions as made.
std::vector<made_s> make_disk(const std::string &kind, const std::string &lost, const std::string &copy)
{
    const std::string script = std::string(getenv("TARN_SOURCE_DIR")) + "/tests/partitions/make_layout_disk.sh";
    std::istringstream out(sh("bash " + shell_quote(script) + " " + shell_quote(lost) + " " + kind));
    std::vector<made_s> made;
    made_s m;
    while (out >> m.fs >> m.start >> m.count)
        made.push_back(m);
    sh("cp " + shell_quote(lost) + " " + shell_quote(copy));
    return made;
}

void expect_found(const std::string &image, const std::vector<made_s> &made)
{
    partition_repair_c search;
    search.search_and_wait(drive_for_image(image));
    const QList<partition_item_s> rows = search.rows();
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(made.size()));
    for (size_t k = 0; k < made.size(); ++k) {
        EXPECT_EQ(rows[k].file_system.toStdString(), made[k].fs);
        EXPECT_EQ(rows[k].start_sector, made[k].start) << made[k].fs;
        EXPECT_EQ(rows[k].end_sector, made[k].start + made[k].count - 1) << made[k].fs;
    }
}

// Searches, plans and applies; the plan, and the backup in *backup.
table_repair_plan_s repair(const std::string &image, QString *backup, int *rc, QString *error)
{
    partition_repair_c search;
    search.search_and_wait(drive_for_image(image));
    table_repair_plan_s plan;
    *rc = plan_table_repair(search.drive(), search.rows(), {}, plan, error);
    if (*rc == 0)
        *rc = apply_table_repair(plan, QString::fromStdString(scratch_dir() + "/backups"), backup, error);
    return plan;
}

void expect_file_systems(const std::string &image, const std::vector<made_s> &made)
{
    for (const made_s &m : made) {
        const std::string type = m.fs.rfind("FAT", 0) == 0 ? "vfat" : m.fs == "NTFS" ? "ntfs" : m.fs == "exFAT" ? "exfat" : m.fs;
        EXPECT_EQ(sh("blkid -p -o value -s TYPE -O " + std::to_string(m.start * 512) + " " + shell_quote(image)),
                  type + "\n")
            << m.fs;
    }
}

TEST(layout_disks, mbr_logicals_are_found_and_written_back_into_an_extended_partition)
{
    const std::string lost = scratch_dir() + "/mbr-lost.img", image = scratch_dir() + "/mbr.img";
    const std::vector<made_s> made = make_disk("mbr", lost, image);
    ASSERT_EQ(made.size(), 6u);
    expect_found(lost, made);

    QString backup, error;
    int rc = -1;
    table_repair_plan_s plan = repair(image, &backup, &rc, &error);
    ASSERT_EQ(rc, 0) << error.toStdString();
    const QJsonArray parts = QJsonDocument::fromJson(QByteArray::fromStdString(sh("sfdisk --json " + image)))
                                 .object()["partitiontable"]
                                 .toObject()["partitions"]
                                 .toArray();
    // FAT32 1, the extended partition 2, swap 3; NTFS, FAT16, ext4 and exFAT its logicals 5 to 8.
    ASSERT_EQ(parts.size(), 7);
    EXPECT_EQ(parts[1].toObject()["type"].toString(), "5");
    const int numbers[] = {1, 5, 6, 7, 8, 3};
    for (size_t k = 0; k < made.size(); ++k) {
        QJsonObject p;
        for (const auto &v : parts)
            if (v.toObject()["node"].toString() == QString::fromStdString(image + std::to_string(numbers[k])))
                p = v.toObject();
        EXPECT_EQ(static_cast<uint64_t>(p["start"].toDouble()), made[k].start) << made[k].fs;
        EXPECT_EQ(static_cast<uint64_t>(p["size"].toDouble()), made[k].count) << made[k].fs;
        EXPECT_EQ(plan.is_logical(plan.rows[static_cast<int>(k)]), numbers[k] >= 5) << made[k].fs;
    }
    expect_file_systems(image, made);

    // Searched again, the table lists every find, logicals included: nothing is dropped or written.
    const QByteArray repaired = bytes_of(image);
    QString again;
    plan = repair(image, &again, &rc, &error);
    EXPECT_EQ(rc, -1);
    EXPECT_TRUE(error.contains(QStringLiteral("already lists every partition found"))) << error.toStdString();
    EXPECT_TRUE(plan.dropped.isEmpty());
    EXPECT_EQ(bytes_of(image), repaired);

    // The backup puts sector 0 and every EBR back as they were.
    QString replaced;
    ASSERT_EQ(restore_sector_zero(QString::fromStdString(image), backup, false,
                                  QString::fromStdString(scratch_dir() + "/backups"), &replaced, &error),
              0)
        << error.toStdString();
    EXPECT_EQ(bytes_of(image), bytes_of(lost));
}

TEST(layout_disks, gpt_is_found_made_new_and_mended_from_its_whole_copy)
{
    const std::string lost = scratch_dir() + "/gpt-lost.img", image = scratch_dir() + "/gpt.img";
    const std::vector<made_s> made = make_disk("gpt", lost, image);
    ASSERT_EQ(made.size(), 4u);
    expect_found(lost, made);

    QString backup, error;
    int rc = -1;
    table_repair_plan_s plan = repair(image, &backup, &rc, &error);
    ASSERT_EQ(rc, 0) << error.toStdString();
    EXPECT_EQ(plan.action, table_action_e::new_gpt);
    EXPECT_NE(sh("sgdisk -v " + image).find("No problems found"), std::string::npos);
    const std::string listed = sh("sgdisk -p " + image);
    for (size_t k = 0; k < made.size(); ++k) {
        std::ostringstream row;
        row << k + 1 << " +" << made[k].start << " +" << made[k].start + made[k].count - 1;
        std::istringstream lines(listed);
        bool seen = false;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            uint64_t number = 0, first = 0, last = 0;
            seen = seen || (words >> number >> first >> last && number == k + 1 && first == made[k].start &&
                            last == made[k].start + made[k].count - 1);
        }
        EXPECT_TRUE(seen) << row.str() << "\n" << listed;
    }
    expect_file_systems(image, made);

    // A lost primary header comes back from the backup copy, as it was.
    const QByteArray whole = bytes_of(image);
    sh("dd if=/dev/zero of=" + image + " bs=512 seek=1 count=33 conv=notrunc status=none");
    QString mended;
    plan = repair(image, &mended, &rc, &error);
    ASSERT_EQ(rc, 0) << error.toStdString();
    EXPECT_EQ(plan.action, table_action_e::gpt_from_backup);
    EXPECT_EQ(bytes_of(image), whole);

    // The first backup holds sectors 0 to 33 and the last 33 as they were before any repair.
    QString replaced;
    ASSERT_EQ(restore_sector_zero(QString::fromStdString(image), backup, false,
                                  QString::fromStdString(scratch_dir() + "/backups"), &replaced, &error),
              0)
        << error.toStdString();
    EXPECT_EQ(bytes_of(image), bytes_of(lost));
}

} // namespace
