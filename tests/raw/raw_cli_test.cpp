// The command line's deep scan: scan and save, then restore from the saved
// file alone, finding the volume again by its stored path.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <set>

#include "raw/raw_test_util.h"
#include "core/scanfile/scan_check.h"

namespace {

QString find_tool(const char *name)
{
    const QString tool = QString::fromLatin1(name);
    QString found = QStandardPaths::findExecutable(tool);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(tool, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found;
}

QString mkfs_fat()
{
    return find_tool("mkfs.fat");
}

bool run_tool(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// How many of the files came back byte for byte, in their type's folder.
int count_restored(const QString &out, const std::vector<planted_file_s> &files)
{
    int matched = 0;
    for (const planted_file_s &f : files) {
        QDirIterator it(out + QLatin1Char('/') + QString::fromStdString(f.type), QDir::Files);
        while (it.hasNext())
            if (read_file(it.next()) == f.bytes) {
                ++matched;
                break;
            }
    }
    return matched;
}

int run_cli(const QStringList &args, const QString &cwd, QByteArray *out = nullptr)
{
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.start(qEnvironmentVariable("TARN_CLI"), args);
    if (!p.waitForFinished(120000))
        return -1;
    if (out)
        *out = p.readAllStandardOutput() + p.readAllStandardError();
    return p.exitCode();
}

class raw_cli_test : public raw_samples_test {
protected:
    void SetUp() override
    {
        if (mkfs_fat().isEmpty())
            GTEST_SKIP() << "mkfs.fat (dosfstools) is not installed";
        raw_samples_test::SetUp();
    }
};

// A FAT volume whose data area holds the files' bytes but whose directories
// no longer name them: what a quick format leaves.
QByteArray formatted_volume_with(const QString &path, std::vector<planted_file_s> &files)
{
    if (!run_tool(mkfs_fat(),
                  {QStringLiteral("-C"), QStringLiteral("-F"), QStringLiteral("16"), path, QStringLiteral("20480")}))
        return {};
    QByteArray image = read_file(path);
    const QByteArray content = plant_files(files, 5);
    const int data_area = 1 << 20;
    for (planted_file_s &f : files)
        f.offset += data_area;
    image.replace(data_area, content.size(), content);
    return image;
}

// Catches: --save writing nothing or the wrong table; --result taking a
// volume matched only by case, or one that is not listed; restored bytes
// differing; folders not named after the types.
TEST_F(raw_cli_test, scan_save_and_restore_from_the_saved_result)
{
    const QString image = dir.filePath(QStringLiteral("vol.img"));
    QByteArray bytes = formatted_volume_with(image, files);
    ASSERT_FALSE(bytes.isEmpty());
    ASSERT_TRUE(write_file(image, bytes));

    QByteArray output;
    const QString saved = dir.filePath(QStringLiteral("scan.sav"));
    ASSERT_EQ(run_cli({QStringLiteral("scan"), image, QStringLiteral("--deep"), QStringLiteral("--save"), saved},
                      dir.path(), &output),
              0)
        << output.toStdString();
    QByteArray sav = read_file(saved);
    ASSERT_GE(sav.size(), 256 + 32 * static_cast<int>(files.size()));
    // The closing line names the deep scan and counts its finds.
    const int finds = (sav.size() - 256) / 32;
    EXPECT_TRUE(output.contains(QStringLiteral("(deep scan): %1 found").arg(finds).toUtf8())) << output.toStdString();
    // Only the volume named exactly is taken: not one whose name differs
    // in case, nor a file outside every listed volume. Without the checksum
    // (a file of before), or the changed header would fail it first.
    const QByteArray original = sav;
    sav.chop(scan_file_check_size);
    const QByteArray stored(sav.constData());
    const QString out = dir.filePath(QStringLiteral("out"));
    for (const QByteArray &header : {stored.toUpper(), QByteArray("/etc/shadow:0:")}) {
        sav.replace(0, 256, header.leftJustified(256, '\0'));
        ASSERT_TRUE(write_file(saved, sav));
        EXPECT_EQ(run_cli({QStringLiteral("recover"), QStringLiteral("--result"), saved, QStringLiteral("--image"),
                           image, QStringLiteral("--out"), out, QStringLiteral("--all")},
                          dir.path(), &output),
                  2)
            << header.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out)) << "nothing restored";
    }
    ASSERT_TRUE(write_file(saved, original));

    ASSERT_EQ(run_cli({QStringLiteral("recover"), QStringLiteral("--result"), saved, QStringLiteral("--image"), image,
                       QStringLiteral("--out"), out, QStringLiteral("--all")},
                      dir.path(), &output),
              0)
        << output.toStdString();
    EXPECT_EQ(count_restored(out, files), static_cast<int>(files.size()));
}

// Catches: files written through a real file system and then lost to a
// quick format not coming back (at least 95% byte-exact), or finds of a
// type no sample has.
TEST_F(raw_cli_test, files_of_a_formatted_volume_come_back)
{
    const QString mcopy = find_tool("mcopy");
    if (mcopy.isEmpty())
        GTEST_SKIP() << "mcopy (mtools) is not installed";
    const QString image = dir.filePath(QStringLiteral("formatted.img"));
    ASSERT_TRUE(
        run_tool(mkfs_fat(),
                 {QStringLiteral("-C"), QStringLiteral("-F"), QStringLiteral("16"), image, QStringLiteral("20480")}));
    QStringList copy{QStringLiteral("-i"), image};
    for (const planted_file_s &f : files)
        copy << dir.filePath(QStringLiteral("samples/") + f.name);
    copy << QStringLiteral("::/");
    ASSERT_TRUE(run_tool(mcopy, copy));
    ASSERT_TRUE(run_tool(mkfs_fat(), {QStringLiteral("-F"), QStringLiteral("16"), image}));

    const QString out = dir.filePath(QStringLiteral("formatted_out"));
    QByteArray output;
    ASSERT_EQ(run_cli({QStringLiteral("recover"), image, QStringLiteral("--deep"), QStringLiteral("--out"), out,
                       QStringLiteral("--all")},
                      dir.path(), &output),
              0)
        << output.toStdString();
    const int restored = count_restored(out, files);
    EXPECT_GE(restored * 100, static_cast<int>(files.size()) * 95) << restored << " of " << files.size();
    std::set<QString> types;
    for (const planted_file_s &f : files)
        types.insert(QString::fromStdString(f.type));
    for (const QString &folder : QDir(out).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_TRUE(types.count(folder)) << "unexpected finds of type " << folder.toStdString();
}

// Catches: a bad scan file or a missing volume reported as success.
TEST_F(raw_cli_test, unreadable_results_are_refused)
{
    const QString bad = dir.filePath(QStringLiteral("bad.sav"));
    ASSERT_TRUE(write_file(bad, QByteArray(287, 'x')));
    const QString out = dir.filePath(QStringLiteral("out"));
    EXPECT_EQ(run_cli({QStringLiteral("recover"), QStringLiteral("--result"), bad, QStringLiteral("--out"), out,
                       QStringLiteral("--all")},
                      dir.path()),
              2);
    QByteArray gone = QByteArray("/nonexistent/disk.img:0:").leftJustified(256, '\0') + QByteArray(32, '\0');
    ASSERT_TRUE(write_file(bad, gone));
    EXPECT_EQ(run_cli({QStringLiteral("recover"), QStringLiteral("--result"), bad, QStringLiteral("--out"), out,
                       QStringLiteral("--all")},
                      dir.path()),
              2);
}

} // namespace
