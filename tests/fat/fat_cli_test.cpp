// tarnrecovery-cli scan and recover on the fixture images, end to end.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>

#include "fixture_manifest.h"

namespace {

struct run_s {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

run_s cli(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("TARN_CLI"), args);
    run_s r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

class fat_cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariable("TARN_CLI").isEmpty())
            GTEST_SKIP() << "TARN_CLI not set";
        QString error;
        if (!load_fixture_manifest(QStringLiteral("fat16"), manifest, &error))
            GTEST_SKIP() << qPrintable(error);
        image = fixtures_dir() + QStringLiteral("/fat16.img");
    }
    fixture_manifest_c manifest;
    QString image;
};

TEST_F(fat_cli, scan_json_lists_every_recoverable_file_with_its_fields)
{
    run_s r = cli({QStringLiteral("scan"), image, QStringLiteral("--json")});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    QJsonParseError parse;
    QJsonDocument doc = QJsonDocument::fromJson(r.out, &parse);
    ASSERT_EQ(parse.error, QJsonParseError::NoError) << "stdout must be JSON only";
    QHash<qint64, QJsonObject> by_id;
    for (const QJsonValue &v : doc.array()) {
        QJsonObject o = v.toObject();
        for (const char *key : {"id", "path", "name", "size", "modified", "created", "deleted", "attributes", "state"})
            EXPECT_TRUE(o.contains(QLatin1String(key))) << key;
        EXPECT_TRUE(QStringList({"intact", "partly_overwritten", "overwritten", "no_data", "uncertain_end", "joined"})
                        .contains(o.value(QStringLiteral("state")).toString()));
        for (const char *key : {"date1", "date2", "flags"})
            EXPECT_FALSE(o.contains(QLatin1String(key))) << key;
        EXPECT_TRUE(o.value(QStringLiteral("path"))
                        .toString()
                        .endsWith(QLatin1Char('/') + o.value(QStringLiteral("name")).toString()));
        by_id.insert(o.value(QStringLiteral("id")).toInteger(), o);
    }
    int expected = 0;
    for (const fixture_entry_s &e : manifest.entries()) {
        if (!e.recoverable() || e.fragmented || e.first_cluster <= 0)
            continue;
        ++expected;
        ASSERT_TRUE(by_id.contains(e.first_cluster)) << qPrintable(e.path);
        const QJsonObject o = by_id.value(e.first_cluster);
        EXPECT_EQ(o.value(QStringLiteral("size")).toInteger(), e.size);
        EXPECT_EQ(o.value(QStringLiteral("attributes")).toInteger() & 0x40, 0x40);
        EXPECT_TRUE(o.value(QStringLiteral("deleted")).toBool());
        // ISO 8601 in UTC, the same instant the FAT date and time give.
        const QDateTime modified = QDateTime::fromString(o.value(QStringLiteral("modified")).toString(), Qt::ISODate);
        EXPECT_TRUE(modified.isValid());
        EXPECT_EQ(modified.timeSpec(), Qt::UTC);
        // Same depth of folders as written.
        EXPECT_EQ(o.value(QStringLiteral("path")).toString().count(QLatin1Char('/')),
                  e.path.count(QLatin1Char('/')) + 1)
            << qPrintable(e.path);
    }
    EXPECT_GT(expected, 0);
    EXPECT_TRUE(r.err.contains("Scanned")) << "the progress goes to stderr";
}

TEST_F(fat_cli, recover_all_writes_byte_exact_files_under_their_folders)
{
    QTemporaryDir out;
    run_s r = cli({QStringLiteral("recover"), image, QStringLiteral("--out"), out.path(), QStringLiteral("--all")});
    QSet<QByteArray> written;
    QDirIterator it(out.path(), QDir::Files, QDirIterator::Subdirectories);
    int in_folders = 0;
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        ++files;
        written.insert(file_sha256(path));
        in_folders += QFileInfo(path).dir() != QDir(out.path()) ? 1 : 0;
    }
    for (const fixture_entry_s &e : manifest.entries()) {
        if (e.recoverable() && !e.fragmented && e.first_cluster > 0)
            EXPECT_TRUE(written.contains(e.sha256)) << "not restored byte for byte: " << qPrintable(e.path);
    }
    EXPECT_GT(in_folders, 0) << "folder paths are recreated";
    EXPECT_TRUE(r.out.contains("files written")) << r.out.constData();
    // Overwritten and fragmented deleted files come back wrong but whole;
    // only a read error makes a row fail.
    EXPECT_EQ(r.code, 0) << r.out.constData();

    QTemporaryDir flat;
    r = cli({QStringLiteral("recover"), image, QStringLiteral("--out"), flat.path(), QStringLiteral("--all"),
             QStringLiteral("--flat")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(QDir(flat.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(QDir(flat.path()).entryList(QDir::Files).size(), files) << "side by side, colliding names kept apart";
}

TEST_F(fat_cli, recover_by_id_reports_unknown_ids_and_fails)
{
    QTemporaryDir out;
    run_s r = cli({QStringLiteral("recover"), image, QStringLiteral("--out"), out.path(), QStringLiteral("--id"),
                   QStringLiteral("999999")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("failed: id 999999")) << r.out.constData();

    qint64 id = -1;
    for (const fixture_entry_s &e : manifest.entries()) {
        if (e.recoverable() && !e.fragmented && e.first_cluster > 0 && id < 0)
            id = e.first_cluster;
    }
    r = cli({QStringLiteral("recover"), image, QStringLiteral("--out"), out.path(), QStringLiteral("--id"),
             QString::number(id)});
    EXPECT_EQ(r.code, 0) << r.out.constData();
    EXPECT_TRUE(r.out.startsWith("1 files written")) << r.out.constData();
}

// Catches: a floppy image whose table names itself (as mtools writes it)
// refused for want of --partition 1; control characters in a found name
// reaching the terminal, where ESC and newlines can fake rows. A short name
// holding them is no entry at all; the C1 controls a long name may hold
// are shown escaped.
TEST_F(fat_cli, single_partition_floppy_and_hostile_names)
{
    QTemporaryDir dir;
    const QString floppy = dir.filePath(QStringLiteral("floppy.img"));
    const QString file = dir.filePath(QStringLiteral("ABCDEFGH.TXT"));
    const QString long_file = dir.filePath(QStringLiteral("hostile name.txt"));
    for (const QString &path : {file, long_file}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3000, 'x'));
    }
    auto mtool = [&](const char *tool, const QStringList &args) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(tool));
        return !path.isEmpty() && QProcess::execute(path, args) == 0;
    };
    ASSERT_TRUE(mtool("mformat",
                      {QStringLiteral("-C"), QStringLiteral("-f"), QStringLiteral("1440"), QStringLiteral("-i"), floppy,
                       QStringLiteral("::")}))
        << "mtools is needed to build this image";
    ASSERT_TRUE(mtool("mcopy", {QStringLiteral("-i"), floppy, file, long_file, QStringLiteral("::/")}));
    ASSERT_TRUE(mtool("mdel",
                      {QStringLiteral("-i"), floppy, QStringLiteral("::/ABCDEFGH.TXT"),
                       QStringLiteral("::/hostile name.txt")}));
    QFile image_file(floppy);
    ASSERT_TRUE(image_file.open(QIODevice::ReadWrite));
    QByteArray bytes = image_file.readAll();
    const qsizetype at = bytes.indexOf(QByteArray("\xe5"
                                                  "BCDEFGHTXT"));
    ASSERT_GT(at, 0);
    bytes.replace(at + 1, 7, QByteArray("B\x1b[2J\nH"));
    const qsizetype piece = bytes.indexOf(QByteArray("o\0s\0t", 5));
    ASSERT_GT(piece, 0);
    bytes.replace(piece, 3, QByteArray("\x9b\0\x85", 3)); // CSI and NEL
    image_file.seek(0);
    image_file.write(bytes);
    image_file.close();

    run_s r = cli({QStringLiteral("scan"), floppy});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("h\\x9b\\x85tile name.txt")) << r.out.constData();
    EXPECT_FALSE(r.out.contains("\xc2\x9b"));
    EXPECT_FALSE(r.out.contains('\x1b'));
    EXPECT_EQ(r.out.count('\n'), 4) << "title, folder, one row, count: " << r.out.constData();
}

TEST_F(fat_cli, refuses_other_file_systems_and_bad_usage)
{
    const QString ntfs = fixtures_dir() + QStringLiteral("/ntfs.img");
    if (QFile::exists(ntfs)) {
        run_s r = cli({QStringLiteral("scan"), QStringLiteral("--image"), ntfs, ntfs});
        // Refused unless this build has an NTFS engine.
        if (r.code != 0) {
            EXPECT_EQ(r.code, 2);
            EXPECT_FALSE(r.err.isEmpty());
        }
    }
    QTemporaryDir blank_dir;
    const QString blank = blank_dir.filePath(QStringLiteral("blank.img"));
    QFile f(blank);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1 << 20, '\0'));
    f.close();
    run_s r = cli({QStringLiteral("scan"), blank});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--deep")) << r.err.constData();

    // Still named FAT by the system, but our reader cannot mount it: a
    // failed scan with its reason, not an empty result.
    const QString unmountable = blank_dir.filePath(QStringLiteral("unmountable.img"));
    ASSERT_TRUE(QFile::copy(image, unmountable));
    QFile damaged(unmountable);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite) && damaged.seek(510));
    damaged.write(QByteArray(1, '\0'));
    damaged.close();
    r = cli({QStringLiteral("scan"), unmountable});
    EXPECT_EQ(r.code, 1) << r.out.constData();
    EXPECT_TRUE(r.err.contains("failed: ")) << r.err.constData();
    EXPECT_FALSE(r.out.contains("files found"));

    EXPECT_EQ(cli({QStringLiteral("recover"), image, QStringLiteral("--all")}).code, 2) << "no --out";
    EXPECT_EQ(cli({QStringLiteral("recover"), image, QStringLiteral("--out"), blank_dir.path()}).code, 2)
        << "neither --all nor --id";
    EXPECT_EQ(cli({QStringLiteral("scan"), image, QStringLiteral("--bogus")}).code, 2);
}

// The filters: each compared with the same choice made over the unfiltered
// list, and each bad value refused with its reason and exit code 2.
class fat_cli_filter : public fat_cli {
protected:
    QList<QJsonObject> scan(const QStringList &filter)
    {
        run_s r = cli(QStringList{QStringLiteral("scan"), image, QStringLiteral("--json")} + filter);
        EXPECT_EQ(r.code, 0) << r.err.constData();
        QList<QJsonObject> rows;
        for (const QJsonValue &v : QJsonDocument::fromJson(r.out).array())
            rows.append(v.toObject());
        return rows;
    }
    // Ids of the unfiltered rows that keep says to keep; there must be some
    // of each kind, or the filter would not be tested.
    QSet<qint64> expected(const std::function<bool(const QJsonObject &)> &keep)
    {
        QSet<qint64> ids;
        const QList<QJsonObject> all = scan({});
        for (const QJsonObject &o : all)
            if (keep(o))
                ids.insert(o.value(QStringLiteral("id")).toInteger());
        EXPECT_FALSE(ids.isEmpty());
        EXPECT_LT(ids.size(), all.size());
        return ids;
    }
    static QSet<qint64> ids(const QList<QJsonObject> &rows)
    {
        QSet<qint64> out;
        for (const QJsonObject &o : rows)
            out.insert(o.value(QStringLiteral("id")).toInteger());
        return out;
    }
    void refused(const QStringList &filter, const char *reason)
    {
        run_s r = cli(QStringList{QStringLiteral("scan"), image} + filter);
        EXPECT_EQ(r.code, 2) << filter.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(reason)) << r.err.constData();
        QTemporaryDir out;
        r = cli(QStringList{QStringLiteral("recover"), image, QStringLiteral("--out"), out.path(),
                            QStringLiteral("--all")} +
                filter);
        EXPECT_EQ(r.code, 2) << "recover: " << filter.join(' ').toStdString();
    }
    static QString name_of(const QJsonObject &o) { return o.value(QStringLiteral("name")).toString().toLower(); }
};

TEST_F(fat_cli_filter, name_globs_any_of_them_ignoring_case)
{
    EXPECT_EQ(ids(scan({QStringLiteral("--name"), QStringLiteral("*.txt")})),
              expected([](const QJsonObject &o) { return name_of(o).endsWith(QLatin1String(".txt")); }));
    EXPECT_EQ(ids(scan({QStringLiteral("--name"), QStringLiteral("*.BIN"), QStringLiteral("--name"),
                        QStringLiteral("*one*")})),
              expected([](const QJsonObject &o) {
                  return name_of(o).endsWith(QLatin1String(".bin")) || name_of(o).contains(QLatin1String("one"));
              }));
    refused({QStringLiteral("--name"), QString()}, "not a name pattern");
}

TEST_F(fat_cli_filter, type_lists_extensions)
{
    EXPECT_EQ(ids(scan({QStringLiteral("--type"), QStringLiteral(".BIN")})),
              expected([](const QJsonObject &o) { return name_of(o).endsWith(QLatin1String(".bin")); }));
    QSet<qint64> both;
    for (const QJsonObject &o : scan({}))
        if (name_of(o).endsWith(QLatin1String(".bin")) || name_of(o).endsWith(QLatin1String(".txt")))
            both.insert(o.value(QStringLiteral("id")).toInteger());
    EXPECT_EQ(ids(scan({QStringLiteral("--type"), QStringLiteral("bin,txt")})), both);
}

TEST_F(fat_cli_filter, size_range_with_suffixes)
{
    EXPECT_EQ(ids(scan({QStringLiteral("--min-size"), QStringLiteral("2K"), QStringLiteral("--max-size"),
                        QStringLiteral("3k")})),
              expected([](const QJsonObject &o) {
                  const qint64 size = o.value(QStringLiteral("size")).toInteger();
                  return size >= 2048 && size <= 3072;
              }));
    refused({QStringLiteral("--min-size"), QStringLiteral("5Q")}, "not a size");
    refused({QStringLiteral("--max-size"), QStringLiteral("-1")}, "not a size");
    refused({QStringLiteral("--min-size"), QStringLiteral("2M"), QStringLiteral("--max-size"), QStringLiteral("1M")},
            "larger than the maximum");
}

TEST_F(fat_cli_filter, modified_date_range)
{
    const QDateTime since(QDate(2024, 1, 1), QTime(0, 0)), until(QDate(2024, 1, 1), QTime(10, 0));
    EXPECT_EQ(ids(scan({QStringLiteral("--since"), QStringLiteral("2024-01-01"), QStringLiteral("--until"),
                        QStringLiteral("2024-01-01 10:00")})),
              expected([&](const QJsonObject &o) {
                  const QDateTime m =
                      QDateTime::fromString(o.value(QStringLiteral("modified")).toString(), Qt::ISODate);
                  return m.isValid() && m >= since && m <= until;
              }));
    // A date alone as the end takes in the whole day.
    EXPECT_EQ(ids(scan({QStringLiteral("--until"), QStringLiteral("2023-12-31")})), expected([&](const QJsonObject &o) {
                  const QDateTime m =
                      QDateTime::fromString(o.value(QStringLiteral("modified")).toString(), Qt::ISODate);
                  return m.isValid() && m < since;
              }));
    refused({QStringLiteral("--since"), QStringLiteral("2024-13-01")}, "not a date");
    refused({QStringLiteral("--until"), QStringLiteral("yesterday")}, "not a date");
}

TEST_F(fat_cli_filter, state_on_scan_and_recover)
{
    auto state = [](const QJsonObject &o) { return o.value(QStringLiteral("state")).toString(); };
    const QSet<qint64> damaged = expected([&](const QJsonObject &o) { return state(o) != QLatin1String("intact"); });
    EXPECT_EQ(ids(scan({QStringLiteral("--state"), QStringLiteral("overwritten,partly_overwritten"),
                        QStringLiteral("--state"), QStringLiteral("no_data")})),
              damaged);
    refused({QStringLiteral("--state"), QStringLiteral("gone")}, "not a recovery state");

    // recover narrows --all by the same filter.
    QTemporaryDir out;
    run_s r = cli({QStringLiteral("recover"), image, QStringLiteral("--out"), out.path(), QStringLiteral("--all"),
                   QStringLiteral("--flat"), QStringLiteral("--state"), QStringLiteral("intact"),
                   QStringLiteral("--type"), QStringLiteral("txt")});
    EXPECT_EQ(r.code, 0) << r.out.constData();
    const int wanted = int(expected([&](const QJsonObject &o) {
                               return state(o) == QLatin1String("intact") && name_of(o).endsWith(QLatin1String(".txt"));
                           }).size());
    EXPECT_EQ(int(QDir(out.path()).entryList(QDir::Files).size()), wanted);
}

} // namespace
