// The recovery state of every find on the fixture images, against what the
// images' manifests say happened to each deleted file.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHash>

#include "core/devices/volume_lookup.h"
#include "fixture_manifest.h"
#include "core/session/scan_session.h"

namespace {

// Rows of a finished scan of the fixture image by id (FAT: first cluster;
// NTFS: record number).
QHash<quint64, recovery_item_s> scan_rows(const QString &name)
{
    static int argc = 1;
    static char app_name[] = "recovery_state_test";
    static char *argv[] = {app_name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    volume_item_s volume;
    QString error;
    EXPECT_TRUE(
        resolve_volume(fixtures_dir() + QLatin1Char('/') + name + QStringLiteral(".img"), QString(), volume, &error))
        << error.toStdString();
    scan_session_c session;
    EXPECT_TRUE(session.start_scan(volume, false)) << session.error().toStdString();
    EXPECT_TRUE(session.wait_for_finish(60000));
    QHash<quint64, recovery_item_s> rows;
    for (const found_row_s &row : session.rows())
        rows.insert(row.row.id, row.row);
    return rows;
}

// For every deleted file of the manifest that has a row: rule 1, a file
// still whole where the engine reads it is intact; rule 2, an overwritten
// one is not. A row shared with a whole file (two deleted files on the same
// first cluster) is that file's.
void check_states(const QString &name, bool by_cluster)
{
    fixture_manifest_c manifest;
    QString error;
    ASSERT_TRUE(load_fixture_manifest(name, manifest, &error)) << error.toStdString();
    const QHash<quint64, recovery_item_s> rows = scan_rows(name);
    auto id_of = [&](const fixture_entry_s &e) { return by_cluster ? e.first_cluster : e.mft_record; };
    // A FAT file is read from consecutive clusters, so a fragmented one is
    // not whole where the engine reads it.
    auto whole = [&](const fixture_entry_s &e) {
        return e.recoverable() && e.size > 0 && !(by_cluster && e.fragmented);
    };
    QSet<qint64> whole_ids;
    for (const fixture_entry_s &e : manifest.entries())
        if (whole(e))
            whole_ids.insert(id_of(e));
    int intact_checked = 0, overwritten_checked = 0;
    for (const fixture_entry_s &e : manifest.entries()) {
        if (!e.deleted || e.kind != fixture_kind_e::file || !rows.contains(quint64(id_of(e))))
            continue;
        const recovery_state_e state = rows.value(quint64(id_of(e))).state;
        if (whole(e)) {
            EXPECT_EQ(state, recovery_state_e::intact)
                << "rule 1, a whole deleted file is intact: " << name.toStdString() << " " << e.path.toStdString();
            ++intact_checked;
        } else if (e.overwritten && !whole_ids.contains(id_of(e))) {
            EXPECT_NE(state, recovery_state_e::intact)
                << "rule 2, an overwritten file is not intact: " << name.toStdString() << " " << e.path.toStdString();
            ++overwritten_checked;
        }
    }
    EXPECT_GT(intact_checked, 3) << name.toStdString();
    EXPECT_GT(overwritten_checked, 1) << name.toStdString();
}

TEST(recovery_state, fat_clusters_against_the_fat)
{
    for (const char *name : {"fat12", "fat16", "fat32"})
        check_states(QLatin1String(name), true);
}

TEST(recovery_state, ntfs_runs_against_the_bitmap_and_later_deleted_files)
{
    check_states(QStringLiteral("ntfs"), false);
}

} // namespace
