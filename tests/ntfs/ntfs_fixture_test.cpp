// The engine end to end on the NTFS fixture (mkntfs + ntfs-3g, with a
// manifest of every file written): opened by device name through the disk
// table, deleted entries listed under their paths and restored byte-exact,
// live files restored from the unmounted image, and nothing that sleuthkit's
// fls lists as deleted missing.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "engines/ntfs/ntfs_recovery.h"
#include "platform/disks.h"
#include "platform/test_images.h"
#include "fixture_manifest.h"
#include "restore_to_path.h"

namespace {

QString fixture(const char *name)
{
    return QString::fromLocal8Bit(qgetenv("TARN_FIXTURES_DIR")) + QLatin1Char('/') + QLatin1String(name);
}

// The volume row of partition `partition` of an image added to the disk table.
bool image_volume(const QString &image, int partition, volume_item_s &row)
{
    if (!add_disk_image(image.toStdString()))
        return false;
    for (const volume_info_s &v : list_volumes()) {
        volume_location_s where;
        if (locate_volume(v.volume_path, where) && where.source == image.toStdString() &&
            v.partition_number == partition) {
            row = make_volume_item(v);
            return true;
        }
    }
    return false;
}

struct scanned_fixture_s {
    std::vector<fixture_entry_s> manifest;
    ntfs_recovery_c engine;
    QTemporaryDir out;
    volume_item_s row;

    bool scan(const char *image, int partition)
    {
        fixture_manifest_c loaded;
        if (loaded.load(fixture("ntfs.manifest")))
            manifest = loaded.entries();
        if (manifest.empty() || !image_volume(fixture(image), partition, row))
            return false;
        engine.set_volume(row, open_volume_path(row.volume_path.toStdString(), open_mode_e::read));
        engine.start();
        return engine.wait(120000);
    }

    QString path(quint64 id)
    {
        std::wstring p;
        if (engine.get_item_path(id, &p) != 0)
            return {};
        QString full = QString::fromStdWString(p);
        QString prefix = row.mount_path.endsWith(QLatin1Char('/')) ? row.mount_path.chopped(1) : row.mount_path;
        return full.startsWith(prefix) ? full.mid(prefix.size() + 1) : full;
    }

    QByteArray restore(quint64 id)
    {
        QString target = out.filePath(QString::number(id));
        return recover_item_to(engine, id, target) == 0 ? file_sha256(target) : QByteArray("failed");
    }

    // What a look at the row's start writes: at most max bytes.
    QByteArray head(quint64 id, qint64 size, quint64 max)
    {
        recovery_item_s row;
        row.id = id;
        row.size = static_cast<quint64>(size);
        const QString target = out.filePath(QStringLiteral("head"));
        QFile::remove(target);
        QFile written(target);
        return recover_head_to(engine, row, target, max) == 0 && written.open(QIODevice::ReadOnly)
            ? written.readAll()
            : QByteArray("failed");
    }

    // A deleted file whose record was reused is listed by the name its
    // folder's index still holds, under an id of its own; with its data map
    // gone, restoring it fails and leaves nothing behind.
    void expect_name_without_data(const fixture_entry_s &m)
    {
        const ntfs_store_t &store = engine.store();
        quint64 found = 0;
        for (auto it = store.begin(); it != store.end(); ++it)
            if (it->is_deleted() && it->is_file() && path(it.key()) == m.path)
                found = it.key();
        ASSERT_NE(found, 0u) << "not listed";
        EXPECT_NE(found, static_cast<quint64>(m.mft_record)) << "the record now belongs to another file";
        const QString target = out.filePath(QStringLiteral("slack"));
        EXPECT_LT(recover_item_to(engine, found, target), 0);
        EXPECT_FALSE(QFile::exists(target));
    }
};

} // namespace

TEST(ntfs_fixture, deleted_entries_are_listed_under_their_paths_and_restore_exactly)
{
    for (auto [image, partition] : {std::pair{"ntfs.img", 0}, std::pair{"ntfs_disk.img", 1}}) {
        SCOPED_TRACE(image);
        scanned_fixture_s f;
        ASSERT_TRUE(f.scan(image, partition)) << "fixture image or manifest missing, or the scan hung";
        const ntfs_store_t &store = f.engine.store();
        EXPECT_EQ(f.engine.get_progress(), 1.0);
        int restored = 0;
        for (const fixture_entry_s &m : f.manifest) {
            if (!m.deleted || m.kind == fixture_kind_e::stream)
                continue;
            SCOPED_TRACE(m.path.toStdString());
            if (m.has_note(QStringLiteral("index_slack_only"))) {
                f.expect_name_without_data(m);
                continue;
            }
            ASSERT_TRUE(store.contains(static_cast<quint64>(m.mft_record)));
            const ntfs_item_s &item = store[static_cast<quint64>(m.mft_record)];
            EXPECT_TRUE(item.is_deleted());
            EXPECT_EQ(item.is_directory(), m.kind == fixture_kind_e::dir);
            EXPECT_EQ(f.path(static_cast<quint64>(m.mft_record)), m.path);
            if (m.recoverable()) {
                const quint64 id = static_cast<quint64>(m.mft_record);
                EXPECT_EQ(f.restore(id), m.sha256) << m.notes.join(QLatin1Char(',')).toStdString();
                // The start of a large file (compressed and sparse ones too) for the hex view.
                QFile whole(f.out.filePath(QString::number(id)));
                if (m.size > 4000 && whole.open(QIODevice::ReadOnly)) {
                    EXPECT_EQ(f.head(id, m.size, 4000), whole.read(4000));
                }
                ++restored;
            }
        }
        EXPECT_GE(restored, 8);
    }
}

// Live files are not stored, but every one of them can still be extracted
// from an unmounted volume through the library.
TEST(ntfs_fixture, live_files_restore_exactly_from_the_unmounted_image)
{
    scanned_fixture_s f;
    ASSERT_TRUE(f.scan("ntfs.img", 0));
    int restored = 0;
    for (const fixture_entry_s &m : f.manifest) {
        if (m.deleted || m.kind != fixture_kind_e::file)
            continue;
        SCOPED_TRACE(m.path.toStdString());
        EXPECT_FALSE(f.engine.store().contains(static_cast<quint64>(m.mft_record)));
        EXPECT_EQ(f.restore(static_cast<quint64>(m.mft_record)), m.sha256)
            << m.notes.join(QLatin1Char(',')).toStdString();
        ++restored;
    }
    EXPECT_GE(restored, 4);
}

// Every deleted entry sleuthkit finds, we find (by record number). Slots fls
// lists only as nameless "OrphanFile-N" were never given a name.
TEST(ntfs_fixture, every_deleted_entry_fls_lists_is_stored)
{
    int status = 0;
    std::string listing = run_command("fls -r -d -p " + shell_quote(fixture("ntfs.img").toStdString()), &status);
    if (status != 0)
        GTEST_SKIP() << "sleuthkit's fls is not available";
    scanned_fixture_s f;
    ASSERT_TRUE(f.scan("ntfs.img", 0));
    int compared = 0;
    for (const QString &line : QString::fromStdString(listing).split(QLatin1Char('\n'))) {
        int star = line.indexOf(QLatin1String("* "));
        int colon = line.indexOf(QLatin1Char(':'));
        if (star < 0 || colon < star || line.contains(QLatin1String("$OrphanFiles/OrphanFile-")))
            continue;
        quint64 record = line.mid(star + 2, colon - star - 2).section(QLatin1Char('-'), 0, 0).toULongLong();
        EXPECT_TRUE(f.engine.store().contains(record)) << line.toStdString();
        ++compared;
    }
    EXPECT_GT(compared, 0);
}
