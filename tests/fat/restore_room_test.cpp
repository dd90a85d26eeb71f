// tarnrecovery-cli recover into destinations that cannot take the files: too
// small, filling up on the way, read-only. Each runs in a mount namespace of
// its own with a small tmpfs as the destination, so no root is needed.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct run_s {
    int code = -1;
    QString out;
    QString err;
    QList<qint64> sizes; // of the files left in the destination
};

// Sixty deleted files of 3,000 bytes on a FAT16 image.
QString make_image(const QTemporaryDir &dir)
{
    const QString image = dir.filePath(QStringLiteral("sixty.img"));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral("bash"), {QStringLiteral("-euc"), QStringLiteral(R"(
        mkfs.fat -C -F 16 sixty.img 16384 >/dev/null
        for i in $(seq 10 69); do head -c 3000 /dev/urandom > F$i.BIN; mcopy -i sixty.img F$i.BIN ::/; done
        mdel -i sixty.img '::/F*.BIN')")});
    return p.waitForFinished(60000) && p.exitCode() == 0 ? image : QString();
}

run_s recover_into_tmpfs(const QString &image, const QString &mount_options)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    QProcess p;
    p.start(QStringLiteral("unshare"),
            {QStringLiteral("-Urm"), QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral(R"(mkdir -p "$3" && mount -t tmpfs -o "$2" none "$3" || exit 99
                 "$1" recover "$4" --out "$3" --all 2>"$3.err"; rc=$?
                 echo "=== sizes"; find "$3" -type f -printf "%s\n"; cat "$3.err" >&2; exit $rc)"),
             QStringLiteral("sh"), qEnvironmentVariable("TARN_CLI"), mount_options, out, image});
    run_s r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitCode();
    const QString all = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    r.out = all.section(QStringLiteral("=== sizes\n"), 0, 0);
    for (const QString &line : all.section(QStringLiteral("=== sizes\n"), 1).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        r.sizes.append(line.toLongLong());
    return r;
}

// Restoring into a folder without room reported "0 of N bytes kept" for
// every file and left empty files behind; a read-only folder did the same.
TEST(restore_room, a_destination_that_cannot_take_the_files_is_told_apart_and_left_clean)
{
    ASSERT_FALSE(qEnvironmentVariable("TARN_CLI").isEmpty());
    QTemporaryDir dir;
    const QString image = make_image(dir);
    ASSERT_FALSE(image.isEmpty()) << "mkfs.fat and mtools build the image";

    const run_s small = recover_into_tmpfs(image, QStringLiteral("size=64k"));
    ASSERT_NE(small.code, 99) << "a mount namespace with a tmpfs is needed: " << qPrintable(small.err);
    EXPECT_NE(small.code, 0);
    EXPECT_TRUE(small.err.contains(QStringLiteral("nothing restored: the files need 175.78K"))) << qPrintable(small.err);
    EXPECT_TRUE(small.err.contains(QStringLiteral("64.00K free"))) << qPrintable(small.err);
    EXPECT_TRUE(small.sizes.isEmpty()) << "refused before the first byte";

    // Room enough by size, but only a few files fit (inodes run out): the
    // restore stops, says so, and keeps only whole files.
    const run_s full = recover_into_tmpfs(image, QStringLiteral("size=4m,nr_inodes=12"));
    EXPECT_NE(full.code, 0);
    EXPECT_TRUE(full.err.contains(QStringLiteral("is full; the restore stopped"))) << qPrintable(full.err);
    EXPECT_GT(full.sizes.size(), 0);
    for (qint64 size : full.sizes)
        EXPECT_EQ(size, 3000) << "no empty or cut files are left";
    EXPECT_TRUE(full.out.contains(QStringLiteral("%1 files written").arg(full.sizes.size()))) << qPrintable(full.out);
    EXPECT_EQ(full.out.count(QStringLiteral("failed: ")), 60 - full.sizes.size()) << qPrintable(full.out);
    EXPECT_EQ(full.out.count(QRegularExpression(QStringLiteral("^written: "), QRegularExpression::MultilineOption)),
              full.sizes.size())
        << "each file that made it is named";
    EXPECT_TRUE(full.out.contains(QStringLiteral("not written: the destination filled up"))) << qPrintable(full.out);

    const run_s read_only = recover_into_tmpfs(image, QStringLiteral("ro"));
    EXPECT_NE(read_only.code, 0);
    EXPECT_TRUE(read_only.err.contains(QStringLiteral("the destination is read-only"))) << qPrintable(read_only.err);
    EXPECT_TRUE(read_only.sizes.isEmpty());
}

} // namespace
