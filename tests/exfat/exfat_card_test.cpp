// tarnrecovery-cli on the exFAT camera card that make_exfat.sh writes through
// exfat-fuse: what the manifest and sleuthkit say was deleted comes back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "fixture_manifest.h"
#include "fixtures/outside_tools.h"

namespace {

class exfat_card : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(load_fixture_manifest(QStringLiteral("exfat"), manifest, &error)) << qPrintable(error);
        image = manifest.image_path();
        const tool_output_s scan = run_tool(qEnvironmentVariable("TARN_CLI"), {QStringLiteral("scan"), image,
                                                                                 QStringLiteral("--json")});
        ASSERT_EQ(scan.exit_code, 0) << scan.err.constData();
        for (const QJsonValue &v : QJsonDocument::fromJson(scan.out).array())
            rows.insert(v.toObject().value(QStringLiteral("path")).toString(), v.toObject());
    }
    fixture_manifest_c manifest;
    QString image;
    QHash<QString, QJsonObject> rows; // the scan's JSON rows by path
};

} // namespace

// Long, non-ASCII and camera names, files alone and a folder tree deleted,
// files written over: each intact one byte-exact under its full path with
// its modified time, the overwritten ones never called intact.
TEST_F(exfat_card, every_intact_deleted_file_comes_back_exactly_and_overwritten_ones_are_not_intact)
{
    QTemporaryDir out;
    const tool_output_s recover = run_tool(qEnvironmentVariable("TARN_CLI"),
                                           {QStringLiteral("recover"), image, QStringLiteral("--all"),
                                            QStringLiteral("--out"), out.path()});
    ASSERT_EQ(recover.exit_code, 0) << recover.err.constData();
    int intact = 0, overwritten = 0;
    for (const fixture_entry_s &e : manifest.entries()) {
        if (!e.deleted || e.kind != fixture_kind_e::file)
            continue;
        SCOPED_TRACE(e.path.toStdString());
        const QJsonObject row = rows.value(QLatin1Char('/') + e.path);
        ASSERT_FALSE(row.isEmpty()) << "not listed";
        const QString state = row.value(QStringLiteral("state")).toString();
        if (e.overwritten) {
            EXPECT_NE(state, QStringLiteral("intact"));
            ++overwritten;
            continue;
        }
        EXPECT_EQ(state, QStringLiteral("intact"));
        const QString restored = out.filePath(e.path);
        EXPECT_EQ(file_sha256(restored), e.sha256);
        EXPECT_EQ(QFileInfo(restored).lastModified().toSecsSinceEpoch(), e.modified);
        ++intact;
    }
    EXPECT_GE(intact, 10);
    EXPECT_GE(overwritten, 2);
}

// Every deleted file sleuthkit finds under a path, we list under that path.
TEST_F(exfat_card, every_deleted_file_fls_names_is_listed)
{
    const auto listed = run_fls(image, 0, true);
    ASSERT_TRUE(listed.has_value());
    int compared = 0;
    for (const fls_entry_s &f : *listed) {
        if (f.directory || f.path.startsWith(QLatin1String("$OrphanFiles/")))
            continue;
        EXPECT_TRUE(rows.contains(QLatin1Char('/') + f.path)) << f.path.toStdString();
        ++compared;
    }
    EXPECT_GE(compared, 10);
}
