// The command line's deep scan: scan and save, then restore from the saved
// file alone, finding the volume again by its stored path.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "raw/raw_test_util.h"

namespace {

QString mkfs_fat()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("mkfs.fat"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found;
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
    QProcess mkfs;
    mkfs.start(mkfs_fat(), {QStringLiteral("-C"), QStringLiteral("-F"), QStringLiteral("16"), path,
                                            QStringLiteral("20480")});
    if (!mkfs.waitForFinished(60000) || mkfs.exitCode() != 0)
        return {};
    QByteArray image = read_file(path);
    const QByteArray content = plant_files(files, 5);
    const int data_area = 1 << 20;
    for (planted_file_s &f : files)
        f.offset += data_area;
    image.replace(data_area, content.size(), content);
    return image;
}

// Catches: --save writing nothing or the wrong table; --result not finding
// the volume when the stored path differs in case; restored bytes differing;
// folders not named after the types.
TEST_F(raw_cli_test, scan_save_and_restore_from_the_saved_result)
{
    const QString image = dir.filePath(QStringLiteral("vol.img"));
    QByteArray bytes = formatted_volume_with(image, files);
    ASSERT_FALSE(bytes.isEmpty());
    ASSERT_TRUE(write_file(image, bytes));

    QByteArray output;
    const QString saved = dir.filePath(QStringLiteral("scan.sav"));
    ASSERT_EQ(run_cli({QStringLiteral("scan"), image, QStringLiteral("--deep"), QStringLiteral("--save"), saved},
                      dir.path(), &output), 0) << output.toStdString();
    QByteArray sav = read_file(saved);
    ASSERT_GE(sav.size(), 256 + 32 * static_cast<int>(files.size()));
    // The same volume under a differently cased name must still be found.
    const QByteArray stored(sav.constData());
    sav.replace(0, stored.size(), stored.toUpper());
    ASSERT_TRUE(write_file(saved, sav));

    const QString out = dir.filePath(QStringLiteral("out"));
    ASSERT_EQ(run_cli({QStringLiteral("recover"), QStringLiteral("--result"), saved, QStringLiteral("--image"), image,
                       QStringLiteral("--out"), out, QStringLiteral("--all")},
                      dir.path(), &output), 0) << output.toStdString();
    int matched = 0;
    for (const planted_file_s &f : files) {
        QDirIterator it(out + QLatin1Char('/') + QString::fromStdString(f.type), QDir::Files);
        while (it.hasNext())
            if (read_file(it.next()) == f.bytes) {
                ++matched;
                break;
            }
    }
    EXPECT_EQ(matched, static_cast<int>(files.size()));
}

// Catches: a bad scan file or a missing volume reported as success.
TEST_F(raw_cli_test, unreadable_results_are_refused)
{
    const QString bad = dir.filePath(QStringLiteral("bad.sav"));
    ASSERT_TRUE(write_file(bad, QByteArray(287, 'x')));
    const QString out = dir.filePath(QStringLiteral("out"));
    EXPECT_EQ(run_cli({QStringLiteral("recover"), QStringLiteral("--result"), bad, QStringLiteral("--out"), out,
                       QStringLiteral("--all")}, dir.path()), 2);
    QByteArray gone = QByteArray("/nonexistent/disk.img:0:").leftJustified(256, '\0') + QByteArray(32, '\0');
    ASSERT_TRUE(write_file(bad, gone));
    EXPECT_EQ(run_cli({QStringLiteral("recover"), QStringLiteral("--result"), bad, QStringLiteral("--out"), out,
                       QStringLiteral("--all")}, dir.path()), 2);
}

} // namespace
