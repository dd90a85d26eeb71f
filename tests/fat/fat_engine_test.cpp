// The FAT scan engine on volumes built byte by byte: what it keeps, the
// duplicate-cluster rules, deleted folders, progress, damaged volumes, and
// restoring found files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

#include "engines/fat/fat_recovery.h"
#include "records/found_row.h"
#include "fat_test_image.h"
#include "restore_to_path.h"

namespace {

struct scan_s {
    fat_recovery_c engine;
    std::string log;

    explicit scan_s(fat_test_image_c &img, const QString &mount = QStringLiteral("/mnt/usb/"))
    {
        engine.set_log([this](const std::string &line) { log += line; });
        volume_item_s volume;
        volume.device_name = QStringLiteral("test");
        volume.volume_path = QStringLiteral("test:0:/");
        volume.mount_path = mount;
        engine.set_volume(volume, img.device());
        engine.run();
    }
    const fat_item_s *item(quint32 id) const
    {
        auto it = engine.store().constFind(id);
        return it == engine.store().cend() ? nullptr : &it.value();
    }
    QString name(quint32 id) const { return item(id) ? item(id)->name_string() : QStringLiteral("<none>"); }
};

// Calls on_read with the offset of every read before passing it on.
class read_hook_device_c : public block_device_c {
public:
    read_hook_device_c(std::shared_ptr<block_device_c> base, std::function<void(uint64_t)> on_read)
        : base_(std::move(base)), on_read_(std::move(on_read))
    {}
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        on_read_(offset);
        return base_->read_at(offset, buffer, len);
    }
    uint64_t size() const override { return base_->size(); }
    uint32_t sector_size() const override { return base_->sector_size(); }

private:
    std::shared_ptr<block_device_c> base_;
    std::function<void(uint64_t)> on_read_;
};

QByteArray read_file(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(fat_engine, keeps_directories_and_deleted_entries_only)
{
    fat_test_image_c img(16, 1, 8192);
    img.entry(0, 0, "LIVE    TXT", 0x20, 3, 10); // existing file: not kept
    img.entry(0, 1,
              "\xE5"
              "ILE    TXT",
              0x20, 4, 100); // deleted file
    uint32_t s = img.long_entry(0, 2, u"Long Directory", "LONGDI~1   ", 0x10, 5, 0);
    img.entry(0, s + 1,
              "\xE5"
              "MPTY   TXT",
              0x20, 0, 0); // cluster 0: not kept
    img.chain(5, 1);
    img.entry(5, 0, ".          ", 0x10, 5, 0);
    img.entry(5, 1, "..         ", 0x10, 0, 0);
    img.long_entry(5, 2, u"gone.txt", "GONE    TXT", 0x20, 6, 7);
    img.slot(5, 2)[0] = 0xE5;
    img.slot(5, 3)[0] = 0xE5;
    scan_s scan(img);

    EXPECT_EQ(scan.item(3), nullptr);
    ASSERT_NE(scan.item(4), nullptr);
    EXPECT_EQ(scan.name(4), QStringLiteral("#ILE.TXT"));
    EXPECT_EQ(scan.item(4)->attributes, 0x60);
    EXPECT_EQ(scan.item(4)->size, 100u);
    EXPECT_EQ(scan.item(4)->in_deleted, 0);
    EXPECT_EQ(scan.name(5), QStringLiteral("Long Directory"));
    EXPECT_EQ(scan.name(6), QStringLiteral("gone.txt")) << "a deleted long name stays whole";
    EXPECT_EQ(scan.item(6)->parent, 5u);
    EXPECT_EQ(scan.item(0)->attributes, 0x10);
    EXPECT_EQ(scan.engine.get_found_count(), 3u) << "the root record is not counted";
    EXPECT_EQ(scan.engine.store().size(), 4);
    // Reads: four root entries (a long name and its entry count once) and the
    // end, one entry in the folder and its end; dot entries are not returned.
    EXPECT_EQ(scan.engine.get_read_count(), 7u);
    EXPECT_EQ(scan.log, "Start Fat Scan.\n");

    // Linked and marked: the root leads to a file, the folder too.
    EXPECT_EQ(scan.item(0)->has_files, 1);
    EXPECT_EQ(scan.item(5)->has_files, 1);
    ASSERT_EQ(scan.item(5)->children.size(), 1);
    EXPECT_EQ(scan.item(5)->children[0]->cluster, 6u);

    std::wstring path;
    EXPECT_EQ(scan.engine.get_item_path(6, &path), 0);
    EXPECT_EQ(path, L"/mnt/usb/Long Directory/gone.txt");
}

TEST(fat_engine, everything_below_a_deleted_folder_is_deleted_and_read_through_its_first_cluster)
{
    fat_test_image_c img(16, 1, 8192);
    img.entry(0, 0,
              "\xE5"
              "LD        ",
              0x10, 10, 0); // deleted folder, chain cleared
    img.entry(0, 1,
              "\xE5"
              "FTER   TXT",
              0x20, 40, 5); // found after the folder's failure
    img.long_entry(10, 0, u"plan.txt", "PLAN    TXT", 0x20, 11, 20);
    img.entry(10, 2, "SUB        ", 0x10, 12, 0); // a live folder inside the deleted one
    img.entry(12, 0, "NOTE    TXT", 0x20, 13, 30);
    for (uint32_t i = 3; i < 16; ++i) {
        char name[12];
        snprintf(name, sizeof name, "F%02u     TXT", i);
        img.entry(10, i, name, 0x20, 20 + i, 1);
    }
    scan_s scan(img);

    EXPECT_EQ(scan.name(10), QStringLiteral("#LD"));
    EXPECT_EQ(scan.name(11), QStringLiteral("plan.txt")) << "the long name stays whole, marked deleted";
    EXPECT_EQ(scan.item(11)->in_deleted, 1);
    EXPECT_EQ(scan.item(11)->attributes & 0x40, 0x40);
    EXPECT_EQ(scan.name(12), QStringLiteral("SUB")) << "only a deleted entry loses its first character";
    EXPECT_EQ(scan.name(13), QStringLiteral("NOTE.TXT"));
    EXPECT_EQ(scan.item(13)->in_deleted, 1) << "deletion is inherited further down";
    EXPECT_NE(scan.item(20 + 14), nullptr);
    EXPECT_EQ(scan.item(20 + 15), nullptr) << "the entry whose move failed is not kept";
    EXPECT_NE(scan.item(40), nullptr) << "the walk goes on in the parent";
    EXPECT_NE(scan.log.find("f_readdir failed 1.\n"), std::string::npos);
}

TEST(fat_engine, duplicate_clusters_follow_the_replacement_rules)
{
    fat_test_image_c img(16, 1, 8192);
    // Two deleted files on cluster 20: the later creation stays.
    img.entry(0, 0,
              "\xE5"
              "LDER   TXT",
              0x20, 20, 1, 0x5821, 0x0100);
    img.entry(0, 1,
              "\xE5"
              "EWER   TXT",
              0x20, 20, 2, 0x5821, 0x0200);
    // Equal times on cluster 21: the first stays.
    img.entry(0, 2,
              "\xE5"
              "IRST   TXT",
              0x20, 21, 1, 0x5821, 0x0100);
    img.entry(0, 3,
              "\xE5"
              "ECOND  TXT",
              0x20, 21, 2, 0x5821, 0x0100);
    // An existing folder and a later deleted one on cluster 22: the existing stays.
    img.entry(0, 4, "LIVE       ", 0x10, 22, 0, 0x5821, 0x0100);
    img.entry(0, 5,
              "\xE5"
              "EAD       ",
              0x10, 22, 0, 0x5821, 0x0900);
    // A deleted folder first, then an existing one on cluster 23: replaced.
    img.entry(0, 6,
              "\xE5"
              "LDDIR     ",
              0x10, 23, 0, 0x5821, 0x0900);
    img.entry(0, 7, "NEWDIR     ", 0x10, 23, 0, 0x5821, 0x0100);
    // A deleted folder holding a deleted file on cluster 24 that a root entry
    // already claims: the entry reached through a deleted folder never replaces.
    img.entry(0, 8,
              "\xE5"
              "OOTF   TXT",
              0x20, 24, 1, 0x5821, 0x0100);
    img.entry(0, 9,
              "\xE5"
              "ELDIR     ",
              0x10, 25, 0, 0x5821, 0x0100);
    img.entry(25, 0,
              "\xE5"
              "NNER   TXT",
              0x20, 24, 9, 0x5821, 0x0F00);
    scan_s scan(img);

    EXPECT_EQ(scan.name(20), QStringLiteral("#EWER.TXT"));
    EXPECT_EQ(scan.name(21), QStringLiteral("#IRST.TXT"));
    EXPECT_EQ(scan.name(22), QStringLiteral("LIVE"));
    EXPECT_EQ(scan.name(23), QStringLiteral("NEWDIR"));
    EXPECT_EQ(scan.name(24), QStringLiteral("#OOTF.TXT"));
    EXPECT_EQ(scan.engine.get_found_count(), 6u) << "replacements are not counted";
}

TEST(fat_engine, progress_reaches_one_on_the_2001st_read_then_stays_below)
{
    // Reads: the folder's entry, its entries and its end, the root's end.
    auto progress_after = [](uint32_t reads) {
        fat_test_image_c img(16, 1, 8192);
        img.entry(0, 0, "BIG        ", 0x10, 2, 0);
        const uint32_t entries = reads - 3;
        img.chain(2, entries / 16 + 1);
        for (uint32_t i = 0; i < entries; ++i) {
            char name[24];
            snprintf(name, sizeof name, "F%05u  TXT", i);
            img.entry(2, i, name, 0x20, 5000 + i, 1);
        }
        scan_s scan(img);
        EXPECT_EQ(scan.engine.get_read_count(), reads);
        return scan.engine.get_progress();
    };
    // Each read sets the progress from the reads before it.
    EXPECT_DOUBLE_EQ(progress_after(1001), 0.5);
    EXPECT_DOUBLE_EQ(progress_after(2001), 1.0) << "set by the 2,001st read";
    EXPECT_DOUBLE_EQ(progress_after(2002), 0.99);
}

TEST(fat_engine, damaged_volumes_end_cleanly)
{
    fat_test_image_c img(16, 1, 8192);
    img.entry(0, 0, "SELF       ", 0x10, 30, 0);
    img.chain(30, 1);
    img.entry(30, 0, "AGAIN      ", 0x10, 30, 0); // a folder holding itself
    img.entry(30, 1, "UP         ", 0x10, 31, 0);
    img.chain(31, 1);
    img.entry(31, 0, "BACK       ", 0x10, 30, 0); // ... and a loop through a child
    img.entry(31, 1,
              "\xE5"
              "ILE    TXT",
              0x20, 32, 3);
    img.entry(0, 1,
              "\xE5"
              "AR        ",
              0x10, 60000, 0); // cluster outside the volume: no entry at all
    img.entry(0, 2, "LOOP       ", 0x10, 33, 0);
    img.set_fat(33, 33); // a chain that points at itself
    for (uint32_t i = 0; i < 16; ++i)
        img.entry(33, i, "X       TXT", 0x20, 34, 1);
    img.entry(0, 3,
              "\xE5"
              "AST    TXT",
              0x20, 35, 3);
    scan_s scan(img);

    ASSERT_NE(scan.item(32), nullptr);
    EXPECT_EQ(scan.name(30), QStringLiteral("SELF")) << "an alias inside its own subtree does not replace it";
    EXPECT_NE(scan.item(35), nullptr) << "the walk went on after every damaged folder";
    EXPECT_EQ(scan.item(60000), nullptr);
    std::wstring path;
    EXPECT_EQ(scan.engine.get_item_path(32, &path), 0);
    EXPECT_EQ(path, L"/mnt/usb/SELF/UP/#ILE.TXT");
}

TEST(fat_engine, a_volume_that_does_not_mount_leaves_only_the_root)
{
    fat_test_image_c img(16, 1, 8192);
    img.bytes()[510] = 0;
    scan_s scan(img);
    EXPECT_EQ(scan.engine.store().size(), 1);
    EXPECT_EQ(scan.log, "Start Fat Scan.\nf_opendir failed 1.\n");
    EXPECT_FALSE(scan.engine.get_error().isEmpty()) << "a failed scan, not an empty volume";
}

TEST(fat_engine, stop_keeps_the_partial_store_linked)
{
    fat_test_image_c img(16, 1, 8192);
    img.entry(0, 0,
              "\xE5"
              "NE     TXT",
              0x20, 20, 1);
    img.entry(0, 1,
              "\xE5"
              "WO     TXT",
              0x20, 21, 1);
    img.entry(0, 2,
              "\xE5"
              "HREE   TXT",
              0x20, 22, 1);
    fat_recovery_c engine;
    // The stop comes while the first entry is read, from the root's sector.
    const uint64_t root = static_cast<uint64_t>(img.slot(0, 0) - img.bytes().data());
    auto device = std::make_shared<read_hook_device_c>(img.device(), [&](uint64_t offset) {
        if (offset == root)
            engine.set_stop(stop_user);
    });
    engine.set_volume(volume_item_s(), device);
    engine.run();
    EXPECT_EQ(engine.get_stop(), stop_user);
    // The read under way when the stop came still finishes.
    EXPECT_EQ(engine.store().size(), 2) << "one file and the root";
    EXPECT_EQ(engine.store().value(0).children.size(), 1);
}

TEST(fat_engine, restores_deleted_files_from_consecutive_clusters)
{
    fat_test_image_c img(12, 8, 4000); // 4096-byte clusters
    img.entry(0, 0,
              "\xE5"
              "ENK    BIN",
              0x20, 10, 10000);
    img.fill(10, 1, 0xA1);
    img.fill(11, 1, 0xB2);
    img.fill(12, 1, 0xC3);
    img.fill(13, 1, 0xD4);
    // A deleted file that runs past the end of the volume.
    const uint32_t last = static_cast<uint32_t>((img.bytes().size() - img.data_offset()) / 4096) + 1;
    img.entry(0, 1,
              "\xE5"
              "UTOFF  BIN",
              0x20, last, 3 * 4096);
    img.fill(last, 1, 0xEE);
    scan_s scan(img);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    const QString out = dir.filePath(QStringLiteral("tenk.bin"));
    ASSERT_EQ(recover_item_to(scan.engine, 10, out), 0);
    QByteArray data = read_file(out);
    ASSERT_EQ(data.size(), 10000);
    EXPECT_EQ(data.count('\xA1'), 4096);
    EXPECT_EQ(data.count('\xB2'), 4096);
    EXPECT_EQ(data.count('\xC3'), 10000 - 8192);
    // A look at its start stops at the limit, across a cluster boundary.
    recovery_item_s row;
    row.id = 10;
    const QString head = dir.filePath(QStringLiteral("head.bin"));
    ASSERT_EQ(recover_head_to(scan.engine, row, head, 5000), 0);
    EXPECT_EQ(read_file(head), QByteArray(4096, '\xA1') + QByteArray(5000 - 4096, '\xB2'));

    // Only what the volume holds is restored, and the record says it was cut.
    ASSERT_TRUE(scan.item(last));
    EXPECT_EQ(scan.item(last)->size, 4096u);
    EXPECT_EQ(scan.item(last)->size_capped, 1);
    EXPECT_EQ(scan.item(10)->size_capped, 0);
    const QString capped = dir.filePath(QStringLiteral("cut.bin"));
    EXPECT_EQ(recover_item_to(scan.engine, last, capped), 0);
    EXPECT_EQ(read_file(capped), QByteArray(4096, '\xEE'));

    EXPECT_EQ(recover_item_to(scan.engine, 12345, dir.filePath(QStringLiteral("none.bin"))), -1);

    scan.engine.reset();
    std::wstring path;
    EXPECT_EQ(scan.engine.get_item_path(10, &path), -1) << "reset empties the store";
    EXPECT_EQ(recover_item_to(scan.engine, 10, out), -1);
}

// Catches: a deleted file whose clusters a later deleted file was written
// over showed intact, as the FAT calls both free; so did files whose
// stated size runs on past their free run (into a file of the same time,
// past the end of the data area). A file written over an older one keeps
// its whole size and stays intact.
TEST(fat_engine, deleted_files_written_over_by_later_deleted_files_are_not_intact)
{
    fat_test_image_c img(16, 1, 8192);
    const uint16_t day = 0x5821; // 2024-01-01
    auto at = [](unsigned hour) { return static_cast<uint16_t>(hour << 11); };
    uint32_t slot = 0;
    auto deleted = [&](const char *name, uint32_t cluster, uint32_t clusters, unsigned hour) {
        img.entry(0, slot++, name, 0x20, cluster, clusters * 512, day, at(hour));
    };
    deleted("\xE5LDER   TXT", 100, 3, 10); // 100-102
    deleted("\xE5"
            "EWER   TXT",
            98, 3, 11); // 98-100: over the older one's first cluster
    deleted("\xE5"
            "AMEA   TXT",
            200, 2, 12);
    deleted("\xE5"
            "AMEB   TXT",
            201, 1, 12); // same time: either may be the later
    const uint32_t last = static_cast<uint32_t>((img.bytes().size() - img.data_offset()) / 512) + 1;
    deleted("\xE5NDS    TXT", last, 3, 13); // runs past the data area
    deleted("\xE5"
            "ATER   TXT",
            300, 1, 14);
    deleted("\xE5"
            "ARLY   TXT",
            301, 1, 9); // side by side, no overlap
    scan_s scan(img);

    auto state = [&](quint32 id) { return scan.item(id) ? scan.item(id)->state : recovery_state_e::no_data; };
    EXPECT_EQ(state(100), recovery_state_e::partly_overwritten) << "a later deleted file took its first cluster";
    EXPECT_EQ(state(98), recovery_state_e::intact);
    EXPECT_EQ(scan.item(98)->size, 3u * 512) << "the later file runs over the older one's first cluster";
    EXPECT_NE(state(200), recovery_state_e::intact) << "same time: not proved whole";
    EXPECT_EQ(scan.item(200)->size, 512u) << "cut where a file of the same time begins";
    EXPECT_NE(state(201), recovery_state_e::intact) << "same time: not proved whole";
    EXPECT_NE(state(last), recovery_state_e::intact) << "its run ends with the data area";
    EXPECT_EQ(state(300), recovery_state_e::intact);
    EXPECT_EQ(state(301), recovery_state_e::intact);
}

// Catches: "Start Fat Scan." and a "file count:N" line per entry written
// to the console of every user; the lines belong to the sink the owner
// gives, and one per entry is none a reader wants.
TEST(fat_engine, diagnostics_go_to_the_sink_alone_and_not_one_per_entry)
{
    fat_test_image_c img(16, 1, 8192);
    for (uint32_t i = 0; i < 300; ++i) {
        char name[24];
        snprintf(name, sizeof name, "\xE5%06u TXT", i);
        img.entry(0, i, name, 0x20, 20 + i, 1);
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray console = QFile::encodeName(dir.filePath(QStringLiteral("console")));
    fflush(stdout);
    fflush(stderr);
    const int saved_out = dup(1), saved_err = dup(2);
    const int to = open(console.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(to, 0);
    dup2(to, 1);
    dup2(to, 2);
    {
        fat_recovery_c engine;
        engine.set_volume(volume_item_s(), img.device());
        engine.run();
        fflush(stdout);
        fflush(stderr);
    }
    dup2(saved_out, 1);
    dup2(saved_err, 2);
    close(to);
    close(saved_out);
    close(saved_err);
    EXPECT_EQ(read_file(QFile::decodeName(console)), QByteArray()) << "an engine without a sink is silent";

    scan_s scan(img);
    EXPECT_GT(scan.engine.get_read_count(), 300u);
    EXPECT_EQ(scan.log, "Start Fat Scan.\n");
}

TEST(fat_engine, fat_dates_are_local_calendar_times)
{
    qputenv("TZ", "UTC");
    tzset();
    // 2024-01-01 10:00:00: date (44 << 9) | (1 << 5) | 1, time 10 << 11.
    EXPECT_EQ(fat_recovery_c::fat_time((44 << 9) | (1 << 5) | 1, 10 << 11), 1704103200);
    // Hours sit in bits 11-15; minutes and two-second steps below.
    EXPECT_EQ(fat_recovery_c::fat_time((44 << 9) | (1 << 5) | 1, (23 << 11) | (59 << 5) | 29),
              1704103200 + 13 * 3600 + 59 * 60 + 58);
}

} // namespace

// A FAT32 volume whose sector 0 was wiped is read through the copy in
// sector 6, with a note, and gives what the intact volume gives.
TEST(fat_engine, a_wiped_fat32_boot_sector_is_read_from_its_backup)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath(QStringLiteral("fat32.img"));
    const QString file = dir.filePath(QStringLiteral("gone.txt"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("mkfs.fat"),
                                {QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-C"), image,
                                 QStringLiteral("40000")}),
              0);
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("some text") == 9);
    text.close();
    ASSERT_EQ(QProcess::execute(QStringLiteral("mcopy"),
                                {QStringLiteral("-i"), image, file, QStringLiteral("::GONE.TXT")}),
              0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("mdel"), {QStringLiteral("-i"), image, QStringLiteral("::GONE.TXT")}),
              0);

    auto scan_image = [&](fat_recovery_c &engine, std::string *log) {
        std::shared_ptr<block_device_c> volume = open_block_device(image.toStdString(), open_mode_e::read);
        engine.set_log([log](const std::string &line) { *log += line; });
        engine.set_volume(volume_item_s(), volume);
        engine.run();
    };
    fat_recovery_c intact;
    std::string intact_log;
    scan_image(intact, &intact_log);
    ASSERT_EQ(intact.store().size(), 2) << "the root and the deleted file";
    EXPECT_FALSE(intact.used_backup_boot());

    QFile wipe(image);
    ASSERT_TRUE(wipe.open(QIODevice::ReadWrite) && wipe.write(QByteArray(512, '\0')) == 512);
    wipe.close();
    fat_recovery_c wiped;
    std::string log;
    scan_image(wiped, &log);
    EXPECT_TRUE(wiped.used_backup_boot());
    EXPECT_NE(log.find("backup"), std::string::npos) << log;
    QList<quint32> wiped_ids = wiped.store().keys(), intact_ids = intact.store().keys();
    std::sort(wiped_ids.begin(), wiped_ids.end());
    std::sort(intact_ids.begin(), intact_ids.end());
    EXPECT_EQ(wiped_ids, intact_ids);
}
