// From a finished FAT store to files on disk: the found tree and its rows,
// safe output names, and the writer that restores rows into a folder.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>

#include "engines/engine_factory.h"
#include "engines/fat/fat_results.h"
#include "engines/live_copy.h"
#include "records/found_row.h"
#include "core/restore/recovery_writer.h"
#include "core/restore/safe_name.h"
#include "restore_to_path.h"

namespace {

fat_item_s record(quint32 id, quint32 parent, quint8 attributes, const QString &name, quint32 size = 0)
{
    fat_item_s r;
    r.cluster = id;
    r.parent = parent;
    r.attributes = attributes;
    r.size = size;
    r.modified = 1000 + id;
    r.created = 2000 + id;
    r.set_name(name);
    return r;
}

// Writes "data of <id>" for every id, except that it fails on ids >= 100
// after writing a few bytes, like a read error in the middle of a file, and
// has no data for ids 50 to 99.
class fake_engine_c : public recovery_stop_c {
public:
    int recover_item(quint64 id, output_file_c &out) override
    {
        if (id >= 50 && id < 100)
            return recover_no_data;
        const QByteArray data = QStringLiteral("data of %1").arg(id).toUtf8().left(id >= 100 ? 4 : 100);
        out.write(data.constData(), static_cast<size_t>(data.size()));
        if (id >= 100)
            out.set_failure("read error at byte 4 of the file");
        return id >= 100 ? -1 : 0;
    }
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

found_row_s row(quint64 id, const QString &name, const QStringList &folders = {})
{
    found_row_s r;
    r.folders = folders;
    r.row.id = id;
    r.row.name = name;
    r.row.size = 9;
    return r;
}

TEST(found_tree_fat, folders_need_files_below_and_a_cluster_and_rows_are_files)
{
    fat_store_t store;
    store.insert(0, record(0, 0, fat_attr_directory, QString()));
    store.insert(5, record(5, 0, fat_attr_directory | fat_attr_deleted, QStringLiteral("#ld")));
    store.insert(6, record(6, 5, fat_attr_archive | fat_attr_deleted, QStringLiteral("#ote.txt"), 42));
    store.insert(7, record(7, 0, fat_attr_directory, QStringLiteral("only folders")));
    store.insert(8, record(8, 7, fat_attr_directory, QStringLiteral("inner")));
    store.insert(9, record(9, 0, fat_attr_archive | fat_attr_deleted, QStringLiteral("#oot.bin"), 3));
    link_fat_store(store);
    // A directory record with files below but no mark is not shown.
    store[7].children.append(&store[9]);

    found_folder_s root = build_fat_tree(store);
    EXPECT_EQ(root.name, QStringLiteral("/"));
    ASSERT_EQ(root.files.size(), 1);
    EXPECT_EQ(root.files[0].name, QStringLiteral("#oot.bin"));
    EXPECT_EQ(root.files[0].id, 9u);
    EXPECT_EQ(root.files[0].size, 3u);
    EXPECT_EQ(root.files[0].modified(), 1009);
    EXPECT_EQ(root.files[0].created(), 2009);
    EXPECT_EQ(root.files[0].attributes(), 0x60u);
    EXPECT_EQ(root.files[0].deleted, 1);
    ASSERT_EQ(root.folders.size(), 1) << "only the folder that leads to a file";
    EXPECT_EQ(root.folders[0].name, QStringLiteral("#ld"));
    ASSERT_EQ(root.folders[0].files.size(), 1);

    QList<found_row_s> rows = found_rows(root);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].path(), QStringLiteral("/#oot.bin"));
    EXPECT_EQ(rows[1].path(), QStringLiteral("/#ld/#ote.txt"));

    // A store without a root (an abandoned scan) gives an empty "/".
    fat_store_t empty;
    EXPECT_TRUE(build_fat_tree(empty).files.isEmpty());
}

// A deleted file that claims a folder's first cluster takes over the
// folder's record, leaving the entries read from the folder below a file:
// they are listed in the lost folder instead of vanishing.
TEST(found_tree_fat, entries_below_a_folder_taken_by_a_file_are_listed_as_lost)
{
    const quint8 gone_file = fat_attr_archive | fat_attr_deleted, gone_dir = fat_attr_directory | fat_attr_deleted;
    fat_store_t store;
    store.insert(0, record(0, 0, fat_attr_directory, QString()));
    store.insert(85, record(85, 0, gone_file, QStringLiteral("gap one.bin")));
    store.insert(87, record(87, 85, gone_file, QStringLiteral("#lan.txt")));
    store.insert(90, record(90, 85, gone_dir, QStringLiteral("#rafts")));
    store.insert(92, record(92, 90, gone_file, QStringLiteral("draft one.txt")));
    link_fat_store(store);
    QStringList paths;
    for (const found_row_s &r : found_rows(build_fat_tree(store)))
        paths << r.path();
    EXPECT_EQ(paths.join(QLatin1Char('|')).toStdString(),
              "/gap one.bin|/Lost files (no parent)/#lan.txt|/Lost files (no parent)/#rafts/draft one.txt");
}

TEST(engine_factory, picks_by_file_system_name_as_the_recovery_page_does)
{
    auto name = [](const char *file_system, bool deep) {
        std::unique_ptr<recovery_base_c> engine = select_engine(QString::fromLatin1(file_system), deep);
        return engine ? engine->get_engine_name() : QStringLiteral("refused");
    };
    EXPECT_EQ(name("FAT32", false), QStringLiteral("FAT"));
    EXPECT_EQ(name("FAT", false), QStringLiteral("FAT"));
    EXPECT_EQ(name("NTFS", false), QStringLiteral("NTFS"));
    EXPECT_EQ(name("exFAT", false), QStringLiteral("exFAT"));
    EXPECT_EQ(name("EXFAT", false), QStringLiteral("refused")) << "the name is compared exactly";
    EXPECT_EQ(name("ntfs", false), QStringLiteral("refused")) << "the name is compared exactly";
    EXPECT_EQ(name("ext4", true), QStringLiteral("deep scan"));
    EXPECT_EQ(name("NTFS", true), QStringLiteral("deep scan"));
}

TEST(safe_name, names_from_disk_become_single_readable_entries)
{
    EXPECT_EQ(safe_file_name(QStringLiteral("report.txt")), QStringLiteral("report.txt"));
    EXPECT_EQ(safe_file_name(QStringLiteral("#ld notes.txt")), QStringLiteral("#ld notes.txt"));
    EXPECT_EQ(safe_file_name(QStringLiteral("../../etc/passwd")), QStringLiteral(".._.._etc_passwd"));
    EXPECT_EQ(safe_file_name(QStringLiteral("a\\b")), QStringLiteral("a_b"));
    EXPECT_EQ(safe_file_name(QStringLiteral("..")), QStringLiteral("__"));
    EXPECT_EQ(safe_file_name(QStringLiteral(".")), QStringLiteral("_"));
    EXPECT_EQ(safe_file_name(QString()), QStringLiteral("unnamed"));
    EXPECT_EQ(safe_file_name(QStringLiteral("tab\there\x7f\n")), QStringLiteral("tab_here__"));
    EXPECT_EQ(safe_file_name(QString(QChar(0xD800)) + QStringLiteral("x")), QStringLiteral("_x"))
        << "a lone surrogate cannot be written as UTF-8";
    EXPECT_EQ(safe_file_name(QStringLiteral("中文.txt")), QStringLiteral("中文.txt"));
    const QString long_name = QString(200, QChar(0x4E2D)); // 600 bytes in UTF-8
    EXPECT_LE(safe_file_name(long_name).toUtf8().size(), 240);
    EXPECT_GT(safe_file_name(long_name).size(), 0);
}

TEST(safe_name, output_names_never_repeat_nor_replace_what_is_there)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QFile existing(d + QStringLiteral("/a.txt"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("mine");
    existing.close();
    ASSERT_EQ(symlink("/etc/hostname", QFile::encodeName(d + QStringLiteral("/link.txt")).constData()), 0);
    ASSERT_EQ(symlink("/nonexistent", QFile::encodeName(d + QStringLiteral("/dangling")).constData()), 0);

    output_folder_c out;
    std::string why;
    ASSERT_TRUE(out.open(QFile::encodeName(d).toStdString(), &why)) << why;
    output_names_c names(out);
    const output_folder_c::folder_t top = output_folder_c::top;
    EXPECT_EQ(names.claim_file(top, QStringLiteral("a.txt")), QStringLiteral("a (2).txt"));
    EXPECT_EQ(names.claim_file(top, QStringLiteral("a.txt")), QStringLiteral("a (3).txt"));
    EXPECT_EQ(names.claim_file(top, QStringLiteral("link.txt")), QStringLiteral("link (2).txt"));
    EXPECT_EQ(names.claim_file(top, QStringLiteral("dangling")), QStringLiteral("dangling (2)"));
    EXPECT_EQ(names.claim_file(top, QStringLiteral("../up")), QStringLiteral(".._up"));
    EXPECT_EQ(names.claim_file(top, QStringLiteral(".hidden")), QStringLiteral(".hidden"));
    EXPECT_EQ(names.claim_file(top, QStringLiteral(":x")), QStringLiteral("_x")) << "Qt reads a leading : as a resource";

    // Folders: one per found folder name, never through a link.
    ASSERT_EQ(symlink("/tmp", QFile::encodeName(d + QStringLiteral("/sub")).constData()), 0);
    output_folder_c::folder_t sub = top, again = top;
    ASSERT_TRUE(names.claim_folder(top, QStringLiteral("sub"), &sub));
    EXPECT_EQ(out.path_of(sub, "x"), QFile::encodeName(d).toStdString() + "/sub (2)/x");
    ASSERT_TRUE(names.claim_folder(top, QStringLiteral("sub"), &again));
    EXPECT_EQ(again, sub);
    EXPECT_TRUE(QFileInfo(d + QStringLiteral("/sub (2)")).isDir());
    EXPECT_EQ(contents(d + QStringLiteral("/a.txt")), QByteArray("mine"));

    // The folder itself refuses what is not one plain entry, whoever asks.
    output_file_c file;
    for (const char *bad : {"", ".", "..", "../x", "a/b"})
        EXPECT_FALSE(out.create_file(top, bad, &file)) << bad;
    EXPECT_FALSE(out.create_file(top, "a.txt", &file)) << "never replaces a file";
}

TEST(recovery_writer, restores_rows_under_recreated_folders_and_reports_failures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("out"));
    fake_engine_c engine;
    recovery_writer_c writer(engine, out, true);
    QList<found_row_s> rows = {
        row(1, QStringLiteral("top.txt")),
        row(2, QStringLiteral("#ote.txt"), {QStringLiteral("#ld"), QStringLiteral("..")}),
        row(3, QStringLiteral("#ote.txt"), {QStringLiteral("#ld"), QStringLiteral("..")}),
        row(100, QStringLiteral("broken.bin")),
        row(4, QStringLiteral("../../escape.txt"), {QStringLiteral("/")}),
        row(50, QStringLiteral("index only.txt"), {QStringLiteral("gone")}),
    };
    QList<int> progress;
    recovery_report_s report = writer.write(rows, [&progress](int done, int total) {
        EXPECT_EQ(total, 6);
        progress.append(done);
    });
    EXPECT_EQ(progress, (QList<int>{1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(report.skipped.size(), 1) << "a row without data is skipped, not failed";
    EXPECT_EQ(report.skipped[0].row.id, 50u);
    EXPECT_FALSE(QFile::exists(out + QStringLiteral("/index only.txt")));
    EXPECT_FALSE(QFile::exists(out + QStringLiteral("/gone"))) << "a folder of skipped rows alone is not left";
    EXPECT_EQ(report.written.size(), 4);
    EXPECT_EQ(contents(out + QStringLiteral("/top.txt")), QByteArray("data of 1"));
    EXPECT_EQ(contents(out + QStringLiteral("/#ld/__/#ote.txt")), QByteArray("data of 2"));
    EXPECT_EQ(contents(out + QStringLiteral("/#ld/__/#ote (2).txt")), QByteArray("data of 3"))
        << "a name collision gets its own file";
    EXPECT_EQ(contents(out + QStringLiteral("/_/.._.._escape.txt")), QByteArray("data of 4"));
    ASSERT_EQ(report.failed.size(), 1);
    EXPECT_EQ(report.failed[0].row.row.id, 100u);
    EXPECT_EQ(report.failed[0].output, out + QStringLiteral("/broken.bin"));
    EXPECT_EQ(report.failed[0].bytes_kept, 4u) << "the partial file stays";
    EXPECT_EQ(report.failed[0].reason, QStringLiteral("read error at byte 4 of the file"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("escape.txt"))));

    // Again into the same folder: nothing written before is replaced.
    recovery_writer_c again(engine, out, false);
    report = again.write({row(5, QStringLiteral("top.txt"), {QStringLiteral("ignored")})});
    EXPECT_EQ(report.written, QStringList{out + QStringLiteral("/top (2).txt")}) << "--flat puts it beside";
    EXPECT_EQ(contents(out + QStringLiteral("/top.txt")), QByteArray("data of 1"));
}

TEST(recovery_writer, a_destination_that_cannot_be_made_fails_every_row_and_says_why)
{
    fake_engine_c engine;
    recovery_writer_c writer(engine, QStringLiteral("/proc/no/such/place"), true);
    recovery_report_s report = writer.write({row(1, QStringLiteral("a")), row(2, QStringLiteral("b"))});
    EXPECT_TRUE(report.written.isEmpty());
    EXPECT_EQ(report.failed.size(), 2);
    EXPECT_TRUE(report.refused.contains(QStringLiteral("/proc/no/such/place"))) << qPrintable(report.refused);
}

// Names starting with ":" were written into the working folder (Qt took them
// for resource paths), a link planted in the destination was followed, and
// restored files carried the time of the restore instead of their own.
TEST(recovery_writer, hostile_names_stay_in_the_folder_and_files_keep_their_times)
{
    QTemporaryDir dir, cwd, victim;
    ASSERT_TRUE(dir.isValid() && cwd.isValid() && victim.isValid());
    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_EQ(symlink(QFile::encodeName(victim.path()).constData(), QFile::encodeName(out + QStringLiteral("/_IR1")).constData()), 0);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(cwd.path()));
    QList<found_row_s> rows = {row(1, QStringLiteral("#ELLO.TXT"), {QStringLiteral(":IR1")}),
                               row(2, QStringLiteral(":x"), {QStringLiteral("..")})};
    rows[0].row.date1 = 1500000000;
    rows[0].folder_times = {1400000000};
    fake_engine_c engine;
    recovery_report_s report = recovery_writer_c(engine, out, true).write(rows);
    QDir::setCurrent(before);
    EXPECT_EQ(report.written.size(), 2);
    EXPECT_TRUE(QDir(cwd.path()).isEmpty()) << "nothing lands in the working folder";
    EXPECT_TRUE(QDir(victim.path()).isEmpty()) << "a planted link is never followed";
    const QString file = out + QStringLiteral("/_IR1 (2)/#ELLO.TXT");
    EXPECT_EQ(contents(file), QByteArray("data of 1"));
    EXPECT_EQ(contents(out + QStringLiteral("/__/_x")), QByteArray("data of 2"));
    EXPECT_EQ(QFileInfo(file).lastModified().toSecsSinceEpoch(), 1500000000);
    EXPECT_EQ(QFileInfo(out + QStringLiteral("/_IR1 (2)")).lastModified().toSecsSinceEpoch(), 1400000000)
        << "a folder gets its time after its files";
}

TEST(live_copy, copies_whole_files_and_reports_short_copies_as_failed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString live_path = dir.filePath(QStringLiteral("live.bin"));
    const QString dest = dir.filePath(QStringLiteral("copy.bin"));
    auto copy = [&](const std::wstring &source) {
        return restore_to_path(dest, [&](output_file_c &out) { return copy_live_file(source, out); });
    };
    QFile live(live_path);
    ASSERT_TRUE(live.open(QIODevice::WriteOnly));
    live.write(QByteArray(200000, 'L'));
    live.close();
    EXPECT_EQ(copy(live_path.toStdWString()), 0);
    EXPECT_EQ(contents(dest), QByteArray(200000, 'L'));

    // An empty live file copies to an empty file.
    QFile empty(live_path);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    empty.close();
    EXPECT_EQ(copy(live_path.toStdWString()), 0);
    EXPECT_EQ(QFileInfo(dest).size(), 0);
    EXPECT_EQ(copy(L"/no/such/file"), -1);

    // A copy cut short by a read error is not reported as done.
    EXPECT_EQ(copy(QDir::tempPath().toStdWString()), -1) << "reading a folder fails";
}

} // namespace
