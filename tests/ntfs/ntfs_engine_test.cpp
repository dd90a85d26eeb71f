// The NTFS engine's rules, driven by a scripted library.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <vector>

#include "engines/ntfs/ntfs_entry_source.h"
#include "engines/ntfs/ntfs_recovery.h"
#include "restore_to_path.h"

namespace {

ntfs_scan_record make_record(uint64_t id, uint64_t parent, uint8_t flags, const char16_t *name)
{
    ntfs_scan_record r{};
    r.id = id;
    r.parent_id = parent;
    r.flags = flags;
    for (int i = 0; name[i] && i < 259; ++i)
        r.name[i] = name[i];
    return r;
}

constexpr uint8_t dir = ntfs_record_flag_directory, file = ntfs_record_flag_file, deleted = ntfs_record_flag_deleted;

// A library that hands out a fixed list of records.
struct scripted_library_s {
    std::vector<ntfs_scan_record> records;
    int32_t startup_result = 0;
    size_t next_index = 0;
    int startups = 0, shutdowns = 0;
    std::function<void(size_t)> on_next; // called before record i is returned
    uint32_t recovered_low = 0, recovered_high = 0;
    int32_t recover_result = 7;
    int recovered_fd = -1;

    ntfs_library_s library()
    {
        ntfs_library_s lib;
        lib.scan_startup = [this](std::shared_ptr<block_device_c>, ntfs_scan_context *ctx) {
            ++startups;
            next_index = 0;
            if (startup_result < 0)
                return startup_result;
            ctx->open = 1;
            ctx->total = static_cast<int64_t>(records.size()) * 8;
            return 0;
        };
        lib.scan_next = [this](ntfs_scan_context *ctx, ntfs_scan_record *out) {
            if (next_index >= records.size())
                return 0;
            if (on_next)
                on_next(next_index);
            *out = records[next_index++];
            ctx->c1 = static_cast<int32_t>(next_index);
            return 1;
        };
        lib.scan_shutdown = [this](ntfs_scan_context *) {
            ++shutdowns;
            return 0;
        };
        lib.recover_to = [this](ntfs_scan_context *, uint32_t low, uint32_t high, int fd, uint64_t,
                                ntfs_unreadable_fn, void *) {
            recovered_low = low;
            recovered_high = high;
            recovered_fd = fd;
            return recover_result;
        };
        return lib;
    }
};

struct engine_fixture_s {
    scripted_library_s script;
    ntfs_recovery_c engine;

    void scan(const QString &mount = QStringLiteral("/mnt/disk/"))
    {
        volume_item_s volume;
        volume.device_name = QStringLiteral("/dev/sdz1");
        volume.mount_path = mount;
        engine.set_library(script.library());
        engine.set_volume(volume, nullptr);
        engine.start();
        ASSERT_TRUE(engine.wait(20000)) << "scan hung";
    }

    QString path(quint64 id)
    {
        std::wstring out;
        int rc = engine.get_item_path(id, &out);
        return rc == 0 ? QString::fromStdWString(out) : QStringLiteral("-1:") + QString::fromStdWString(out);
    }
};

} // namespace

// The library gets the volume's own device (opened once, by whoever set the
// volume), and progress past 2^31 work units does not wrap.
TEST(ntfs_engine, hands_the_library_the_volume_device_and_counts_progress_in_64_bits)
{
    scripted_library_s script;
    script.records = {make_record(5, 5, dir, u".")};
    ntfs_library_s lib = script.library();
    const block_device_c *handed = nullptr;
    auto startup = lib.scan_startup;
    lib.scan_startup = [&](std::shared_ptr<block_device_c> device, ntfs_scan_context *ctx) {
        handed = device.get();
        int32_t result = startup(std::move(device), ctx);
        ctx->total = int64_t{8} * 600000000;
        return result;
    };
    auto next = lib.scan_next;
    lib.scan_next = [&](ntfs_scan_context *ctx, ntfs_scan_record *out) {
        int32_t result = next(ctx, out);
        ctx->c1 = 200000000;
        ctx->c2 = 100000000;
        return result;
    };
    ntfs_recovery_c engine;
    engine.set_library(lib);
    volume_item_s volume;
    volume.volume_path = QStringLiteral("/images/disk 27.img:3:/");
    const auto device = std::make_shared<memory_device_c>(std::vector<uint8_t>(4096));
    engine.set_volume(volume, device);
    engine.run();
    EXPECT_EQ(handed, device.get());
    EXPECT_DOUBLE_EQ(engine.get_progress(), 0.5);
}

// A failed startup is logged once (file and stderr) and leaves nothing behind.
TEST(ntfs_engine, startup_failure_writes_the_report_and_an_empty_store)
{
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    engine_fixture_s f;
    f.script.startup_result = -1;
    f.script.records = {make_record(5, 5, dir, u".")};
    testing::internal::CaptureStderr();
    f.scan();
    std::string err = testing::internal::GetCapturedStderr();
    qunsetenv("XDG_STATE_HOME");

    EXPECT_EQ(err.rfind("ERROR: [ntfs_recovery:", 0), 0u) << err;
    EXPECT_NE(err.find("] ntfs_scan_startup failed with return value (-1)\n"), std::string::npos);
    QFile log(state.path() + QStringLiteral("/TarnRecovery/Pelmet.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = log.readAll().split('\n');
    ASSERT_EQ(lines.size(), 2) << "one line and its line feed";
    EXPECT_TRUE(lines[0].contains("  [ntfs_recovery:"));
    EXPECT_TRUE(lines[0].endsWith("ntfs_scan_startup failed with return value (-1)"));
    EXPECT_TRUE(f.engine.store().isEmpty());
    EXPECT_EQ(f.engine.get_read_count(), 0u);
    EXPECT_EQ(f.engine.get_found_count(), 0u);
    EXPECT_FALSE(f.engine.get_error().isEmpty()) << "a volume that does not open is a failed scan";
    EXPECT_EQ(recover_item_to(f.engine, 5, state.path() + QStringLiteral("/x")), -1) << "no scan is open";
}

TEST(ntfs_engine, empty_library_leaves_progress_and_counts_at_zero)
{
    engine_fixture_s f;
    f.scan();
    EXPECT_TRUE(f.engine.store().isEmpty());
    EXPECT_TRUE(f.engine.get_error().isEmpty()) << "an empty volume is a scan that ran";
    EXPECT_EQ(f.engine.get_read_count(), 0u);
    EXPECT_EQ(f.engine.get_progress(), 0.0);
}

// Live files are counted but not kept; directories and deleted entries are
// kept; a repeated id replaces the stored record yet counts twice. Only
// files count as found: folders are not what the tree lists.
TEST(ntfs_engine, keeps_directories_and_deleted_entries_only)
{
    engine_fixture_s f;
    f.script.records = {make_record(5, 5, dir, u"."),
                        make_record(30, 5, dir, u"live dir"),
                        make_record(31, 30, file, u"live.txt"),
                        make_record(32, 30, file | deleted, u"gone.txt"),
                        make_record(33, 5, dir | deleted, u"old dir"),
                        make_record(32, 30, file | deleted, u"again.txt")};
    f.scan();
    const ntfs_store_t &store = f.engine.store();
    EXPECT_EQ(f.engine.get_read_count(), 6u);
    EXPECT_EQ(f.engine.get_found_count(), 2u);
    EXPECT_EQ(store.size(), 4);
    EXPECT_FALSE(store.contains(31));
    EXPECT_EQ(store[32].name_string(), QStringLiteral("again.txt"));
    EXPECT_EQ(f.engine.get_progress(), 1.0);
}

// The root names itself as its parent: it must not become its own child, or
// walking the tree from it would never end.
TEST(ntfs_engine, links_children_without_self_loops_and_marks_folders_once)
{
    engine_fixture_s f;
    f.script.records = {make_record(5, 5, dir, u"."),
                        make_record(30, 5, dir, u"docs"),
                        make_record(40, 30, file | deleted, u"a.txt"),
                        make_record(50, 5, dir, u"empty"),
                        make_record(51, 50, dir | deleted, u"sub"),
                        make_record(60, 99, file | deleted, u"orphan.txt"),
                        make_record(70, 71, dir, u"loop a"),
                        make_record(71, 70, dir, u"loop b"),
                        make_record(72, 70, file | deleted, u"in loop.txt")};
    f.scan();
    const ntfs_store_t &store = f.engine.store();
    const ntfs_item_s &root = store[5];
    EXPECT_EQ(root.children.size(), 2);
    for (const ntfs_item_s *child : root.children)
        EXPECT_NE(child, &root);
    EXPECT_EQ(root.has_files, 1);
    EXPECT_EQ(store[30].has_files, 1);
    EXPECT_EQ(store[50].has_files, 0) << "only directories below it";
    EXPECT_EQ(store[51].has_files, 0);
    EXPECT_EQ(store[40].has_files, 0) << "a file's own mark is untouched";
    EXPECT_EQ(f.path(60), QStringLiteral("-1:/mnt/disk")) << "parent never returned";
    EXPECT_EQ(f.path(72), QStringLiteral("-1:/mnt/disk")) << "parents that loop";
    EXPECT_EQ(store[70].children.size(), 2) << "the loop is cut above its lowest record only";
    EXPECT_TRUE(store[71].children.isEmpty());
}

// The mount path's own trailing separator is not doubled; the root's name
// never appears.
TEST(ntfs_engine, item_path_runs_from_the_mount_path_down)
{
    engine_fixture_s f;
    f.script.records = {make_record(5, 5, dir, u"."), make_record(30, 5, dir, u"folder"),
                        make_record(40, 30, file | deleted, u"item.txt")};
    f.scan();
    EXPECT_EQ(f.path(40), QStringLiteral("/mnt/disk/folder/item.txt"));
    EXPECT_EQ(f.path(30), QStringLiteral("/mnt/disk/folder"));
    EXPECT_EQ(f.path(41), QStringLiteral("-1:/mnt/disk"));
    f.engine.reset();
    EXPECT_EQ(f.path(40), QStringLiteral("-1:/mnt/disk")) << "reset empties the store";
}

TEST(ntfs_engine, progress_follows_the_library_counters)
{
    engine_fixture_s f;
    f.script.records = {make_record(30, 5, dir, u"a")};
    ntfs_library_s lib = f.script.library();
    lib.scan_next = [&, calls = 0](ntfs_scan_context *ctx, ntfs_scan_record *out) mutable {
        if (calls++)
            return 0;
        *out = f.script.records[0];
        ctx->total = 64;
        ctx->c1 = 3;
        ctx->c2 = 1;
        ctx->c3 = 4;
        return 1;
    };
    volume_item_s volume;
    f.engine.set_library(lib);
    f.engine.set_volume(volume, nullptr);
    f.engine.start();
    ASSERT_TRUE(f.engine.wait(20000));
    EXPECT_DOUBLE_EQ(f.engine.get_progress(), (4 + 8 * (3 + 1)) / 64.0);
}

// A stop while paused ends the scan, and what was stored is still linked.
TEST(ntfs_engine, stop_while_paused_ends_the_scan_and_still_links)
{
    engine_fixture_s f;
    f.script.records = {make_record(5, 5, dir, u"."), make_record(30, 5, dir, u"docs"),
                        make_record(40, 30, file | deleted, u"a.txt"), make_record(41, 30, file | deleted, u"b.txt")};
    std::atomic<bool> paused{false};
    f.script.on_next = [&](size_t i) {
        if (i == 3) {
            f.engine.set_pause(1);
            paused = true;
        }
    };
    volume_item_s volume;
    f.engine.set_library(f.script.library());
    f.engine.set_volume(volume, nullptr);
    f.engine.start();
    while (!paused)
        QThread::msleep(5);
    f.engine.set_stop(stop_user);
    ASSERT_TRUE(f.engine.wait(20000)) << "stop while paused must end the scan";
    const ntfs_store_t &store = f.engine.store();
    EXPECT_TRUE(store.contains(41)) << "the record fetched before the pause was kept";
    EXPECT_EQ(store[30].children.size(), 2);
    EXPECT_EQ(store[30].has_files, 1);
    EXPECT_EQ(f.engine.get_stop(), stop_user);
}

// A second scan closes the first library scan and starts from nothing.
TEST(ntfs_engine, second_scan_closes_the_first_and_starts_empty)
{
    engine_fixture_s f;
    f.script.records = {make_record(5, 5, dir, u"."), make_record(40, 5, file | deleted, u"a.txt")};
    f.scan();
    EXPECT_EQ(f.engine.get_read_count(), 2u);
    EXPECT_EQ(f.engine.get_found_count(), 1u);
    f.script.records = {make_record(5, 5, dir, u".")};
    f.scan();
    EXPECT_EQ(f.script.startups, 2);
    EXPECT_EQ(f.script.shutdowns, 1);
    EXPECT_EQ(f.engine.get_read_count(), 1u);
    EXPECT_EQ(f.engine.get_found_count(), 0u);
    EXPECT_FALSE(f.engine.store().contains(40));
}

// The id travels as two 32-bit words, low first; the result comes back as is.
TEST(ntfs_engine, recover_item_hands_the_id_and_result_through)
{
    engine_fixture_s f;
    f.scan();
    QTemporaryDir dir;
    QString target = dir.path() + QStringLiteral("/out.bin");
    EXPECT_EQ(recover_item_to(f.engine, 0x100000005ull, target), 7);
    EXPECT_EQ(f.script.recovered_low, 5u);
    EXPECT_EQ(f.script.recovered_high, 1u);
    EXPECT_GE(f.script.recovered_fd, 0) << "the library writes into the file the writer made";
}

// A live entry is copied only from a mounted volume whose path opens; on an
// unmounted volume or image it would otherwise be impossible to restore.
TEST(ntfs_engine, live_entries_are_copied_only_when_their_path_opens)
{
    QTemporaryDir mount;
    ASSERT_TRUE(QDir(mount.path()).mkpath(QStringLiteral("folder")));
    QFile live(mount.path() + QStringLiteral("/folder/item.txt"));
    ASSERT_TRUE(live.open(QIODevice::WriteOnly));
    live.close();

    engine_fixture_s f;
    f.script.records = {make_record(5, 5, dir, u"."), make_record(30, 5, dir, u"folder"),
                        make_record(40, 30, file | deleted, u"item.txt"), make_record(41, 30, dir, u"gone")};
    f.scan(mount.path() + QLatin1Char('/'));
    std::wstring source;
    EXPECT_EQ(choose_ntfs_entry_source(f.engine, 40, file, &source), ntfs_entry_source_e::live_copy);
    EXPECT_EQ(QString::fromStdWString(source), live.fileName());
    EXPECT_EQ(choose_ntfs_entry_source(f.engine, 40, file | deleted, &source), ntfs_entry_source_e::library)
        << "deleted entries always come from the library";
    EXPECT_EQ(choose_ntfs_entry_source(f.engine, 41, file, &source), ntfs_entry_source_e::library)
        << "a path that does not open";
    EXPECT_EQ(choose_ntfs_entry_source(f.engine, 30, file, &source), ntfs_entry_source_e::library)
        << "a folder is not a file to copy";
    EXPECT_EQ(choose_ntfs_entry_source(f.engine, 99, file, &source), ntfs_entry_source_e::library) << "no stored path";

    // Restoring rows: the live file is copied, a name without a record left
    // is reported as having no data.
    QTemporaryDir out;
    recovery_item_s row;
    row.id = 40;
    row.flags = file;
    EXPECT_EQ(recover_row_to(f.engine, row, out.filePath(QStringLiteral("live.txt"))), 0);
    EXPECT_TRUE(QFile::exists(out.filePath(QStringLiteral("live.txt"))));
    EXPECT_EQ(f.script.recovered_fd, -1) << "copied, not extracted";
    row.flags = file | deleted;
    f.script.recover_result = ntfs_error_no_record;
    EXPECT_EQ(recover_row_to(f.engine, row, out.filePath(QStringLiteral("gone.txt"))), recover_no_data);
    f.script.recover_result = 0;
    EXPECT_EQ(recover_row_to(f.engine, row, out.filePath(QStringLiteral("gone.txt"))), 0);

    engine_fixture_s unmounted;
    unmounted.script.records = f.script.records;
    unmounted.scan(QStringLiteral("/dev/sdz1"));
    EXPECT_EQ(choose_ntfs_entry_source(unmounted.engine, 40, file, &source), ntfs_entry_source_e::library);
}
