// The NTFS tree and row rules over a linked store, and the command line on
// the NTFS fixture.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "fixture_manifest.h"
#include "platform/test_images.h"
#include "engines/ntfs/ntfs_results.h"
#include "results/found_row.h"

namespace {

void put(ntfs_store_t &store, quint64 id, quint64 parent, quint8 flags, const char16_t *name)
{
    ntfs_item_s item;
    item.record.id = id;
    item.record.parent_id = parent;
    item.record.flags = flags;
    item.record.first_time = 1000 + id;
    item.record.second_time = 2000 + id;
    item.record.size = 10 * id;
    for (int i = 0; name[i]; ++i)
        item.record.name[i] = name[i];
    store.insert(id, item);
}

constexpr quint8 dir = ntfs_record_flag_directory, file = ntfs_record_flag_file, gone = ntfs_record_flag_deleted;

} // namespace

// System records 0 to 11 never show, even flagged as folder or file; folders
// without a file below them never show; rows carry first time as date1.
TEST(ntfs_found_tree, system_records_and_fileless_folders_stay_hidden)
{
    ntfs_store_t store;
    put(store, 5, 5, dir, u".");
    put(store, 11, 5, dir, u"$Extend");
    put(store, 9, 5, file | gone, u"$Secure");
    put(store, 25, 11, file | gone, u"$ObjId");
    put(store, 30, 5, dir, u"docs");
    put(store, 40, 30, file | gone, u"a.txt");
    put(store, 50, 5, dir | gone, u"only dirs");
    put(store, 51, 50, dir | gone, u"inner");
    put(store, 60, 5, file | gone, u"top.txt");
    link_ntfs_store(store);
    found_folder_s root = build_ntfs_tree(store);
    EXPECT_EQ(root.name, QStringLiteral("/"));
    ASSERT_EQ(root.folders.size(), 1);
    EXPECT_EQ(root.folders[0].name, QStringLiteral("docs"));
    ASSERT_EQ(root.files.size(), 1) << "$Secure (record 9) is not a row";
    const recovery_item_s &top = root.files[0];
    EXPECT_EQ(top.name, QStringLiteral("top.txt"));
    EXPECT_EQ(top.id, 60u);
    EXPECT_EQ(top.size, 600u);
    EXPECT_EQ(top.date1, 1060);
    EXPECT_EQ(top.date2, 2060);
    EXPECT_EQ(top.flags, quint32(file | gone));
    ASSERT_EQ(root.folders[0].files.size(), 1);
    EXPECT_EQ(root.folders[0].files[0].name, QStringLiteral("a.txt"));
}

// A damaged volume can chain folders without end: 50,000 levels must build,
// list and be freed without running out of stack, and the row keeps its
// whole folder path.
TEST(ntfs_found_tree, folders_fifty_thousand_deep)
{
    constexpr quint64 depth = 50000;
    ntfs_store_t store;
    put(store, 5, 5, dir, u".");
    for (quint64 level = 0; level < depth; ++level)
        put(store, 100 + level, level == 0 ? 5 : 99 + level, dir | gone, u"d");
    put(store, 100 + depth, 99 + depth, file | gone, u"bottom.txt");
    link_ntfs_store(store);
    {
        found_folder_s root = build_ntfs_tree(store);
        const found_folder_s *level = &root;
        quint64 levels = 0;
        while (!level->folders.isEmpty()) {
            level = &level->folders[0];
            ++levels;
        }
        EXPECT_EQ(levels, depth);
        const QList<found_row_s> rows = found_rows(root);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0].folders.size(), qsizetype(depth));
        EXPECT_TRUE(rows[0].path().endsWith(QStringLiteral("/d/bottom.txt")));
        found_folder_s copy = root; // a shared copy is freed without walking
    }
}

// scan and recover --all from the command line on an NTFS image: every
// recoverable deleted file of the manifest comes back under its path.
TEST(ntfs_found_tree, command_line_scans_and_recovers_the_fixture)
{
    QString cli = QString::fromLocal8Bit(qgetenv("TARN_CLI"));
    QString image = QString::fromLocal8Bit(qgetenv("TARN_FIXTURES_DIR")) + QStringLiteral("/ntfs.img");
    if (cli.isEmpty() || !QFile::exists(image))
        GTEST_SKIP() << "command line or fixture missing";
    QTemporaryDir out;
    int status = 0;
    std::string json = run_command(shell_quote(cli.toStdString()) + " scan " + shell_quote(image.toStdString()) +
                                       " --json 2>/dev/null",
                                   &status);
    ASSERT_EQ(status, 0) << json;
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    QStringList paths;
    QJsonArray rows = doc.isArray() ? doc.array() : doc.object().value(QStringLiteral("files")).toArray();
    for (const QJsonValue &v : rows) {
        const QJsonObject o = v.toObject();
        paths << o.value(QStringLiteral("path")).toString();
        EXPECT_TRUE(o.value(QStringLiteral("deleted")).isBool());
        EXPECT_FALSE(o.contains(QStringLiteral("date1")) || o.contains(QStringLiteral("flags")));
        EXPECT_TRUE(o.value(QStringLiteral("modified")).toString().endsWith(QLatin1Char('Z')));
    }
    EXPECT_TRUE(paths.contains(QStringLiteral("/Old stuff/drafts/draft one.txt"))) << json;
    EXPECT_TRUE(paths.contains(QStringLiteral("/Compressed/repetitive log.txt")));

    // Names found only in folder indexes have nothing to restore: they are
    // listed as skipped and do not fail the run.
    const std::string report =
        run_command(shell_quote(cli.toStdString()) + " recover " + shell_quote(image.toStdString()) + " --out " +
                        shell_quote(out.path().toStdString()) + " --all 2>&1",
                    &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_EQ(report.find("failed:"), std::string::npos) << report;
    EXPECT_NE(report.find("skipped: "), std::string::npos) << report;
    int compared = 0;
    fixture_manifest_c manifest;
    ASSERT_TRUE(manifest.load(image.chopped(3) + QStringLiteral("manifest"))) << manifest.error().toStdString();
    for (const fixture_entry_s &m : manifest.entries()) {
        if (!m.recoverable())
            continue;
        EXPECT_EQ(file_sha256(out.filePath(m.path)), m.sha256) << m.path.toStdString();
        ++compared;
    }
    EXPECT_GE(compared, 8);
}
