// Names after a quick format: the deep scan rebuilds folders and names from
// the old FAT folder clusters and old MFT records the format left, restores
// the files under their old paths, keeps the tree in its scan file, and
// lists no rebuilt folder on a volume that was never formatted.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "fixture_manifest.h"

namespace {

struct written_s {
    QString path; // below the volume's root
    QByteArray sha256;
};

QString tool(const char *name)
{
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    return found.isEmpty()
        ? QStandardPaths::findExecutable(QString::fromLatin1(name), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
        : found;
}

int run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return -1;
    if (out)
        *out = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int cli(const QStringList &args, QByteArray *out = nullptr)
{
    return run(qEnvironmentVariable("TARN_CLI"), args, out);
}

// Bytes no carver takes for a type of its own.
QByteArray noise(int seed, int size)
{
    QByteArray bytes(size, '\0');
    uint32_t x = 2463534242u + static_cast<uint32_t>(seed) * 7919u;
    for (char &c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}

// How many files came back byte for byte under their path in out; with
// any_top, under any first folder (FAT keeps the names of the root's
// folders in the root alone, which the format wrote anew).
int came_back(const QString &out, const std::vector<written_s> &files, bool any_top)
{
    QStringList tops{QString()};
    if (any_top)
        tops = QDir(out).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    int back = 0;
    for (const written_s &f : files) {
        const QString below = any_top ? f.path.section(QLatin1Char('/'), 1) : f.path;
        for (const QString &top : tops)
            if (file_sha256(out + QLatin1Char('/') + (top.isEmpty() ? below : top + QLatin1Char('/') + below)) ==
                f.sha256) {
                ++back;
                break;
            }
    }
    return back;
}

// The folders a restore made: only the carved types' (all lower-case ASCII,
// short) when nothing was rebuilt.
QStringList rebuilt_folders(const QString &out)
{
    QStringList odd;
    for (const QString &folder : QDir(out).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (folder.size() > 8 || folder.toLower() != folder || folder.contains(QLatin1Char(' ')))
            odd << folder;
    return odd;
}

class raw_formatted_test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString at(const QString &name) const { return dir.filePath(name); }

    // A deep recover of image into a new folder; its path.
    QString recover(const QString &image, const QString &name)
    {
        QByteArray output;
        EXPECT_EQ(cli({QStringLiteral("recover"), image, QStringLiteral("--deep"), QStringLiteral("--out"), at(name),
                       QStringLiteral("--all")},
                      &output),
                  0)
            << output.toStdString();
        return at(name);
    }

    // Saves the deep scan, restores from the saved file alone, and checks
    // the same files come back there.
    void check_reload(const QString &image, const std::vector<written_s> &files, bool any_top, int expected)
    {
        const QString saved = at(QStringLiteral("scan.sav"));
        QByteArray output;
        ASSERT_EQ(cli({QStringLiteral("scan"), image, QStringLiteral("--deep"), QStringLiteral("--save"), saved},
                      &output),
                  0)
            << output.toStdString();
        ASSERT_EQ(cli({QStringLiteral("recover"), QStringLiteral("--result"), saved, QStringLiteral("--image"), image,
                       QStringLiteral("--out"), at(QStringLiteral("reloaded")), QStringLiteral("--all")},
                      &output),
                  0)
            << output.toStdString();
        EXPECT_EQ(came_back(at(QStringLiteral("reloaded")), files, any_top), expected) << "the reloaded tree differs";
    }

    QTemporaryDir dir;
};

// Catches: old FAT folders not found or not linked through "..", long and
// non-ASCII names lost or taken from the wrong entry, data not read from
// the first cluster, the tree not kept in the scan file, and rebuilt
// folders on a volume never formatted.
TEST_F(raw_formatted_test, fat32_folders_and_names_come_back_after_a_quick_format)
{
    const QString mkfs = tool("mkfs.fat"), mcopy = tool("mcopy");
    ASSERT_FALSE(mkfs.isEmpty() || mcopy.isEmpty()) << "dosfstools and mtools are needed (tools/install-deps.sh)";
    // Written from a local tree in one copy; 2 KiB clusters, so each folder
    // of at most 15 long names fits its first cluster.
    const QString source = at(QStringLiteral("tree"));
    std::vector<written_s> files;
    const QStringList paths{
        QStringLiteral("Documents/Reports 2024/Quarterly summary – final.txt"),
        QStringLiteral("Documents/Reports 2024/Übersicht März.csv"),
        QStringLiteral("Documents/Letters/Brief an Jürgen.txt"),
        QStringLiteral("Documents/Letters/日本の手紙.txt"),
        QStringLiteral("Documents/Letters/Old/2019/SHORT.TXT"),
        QStringLiteral("Photos/2023/Summer/Strand am Meer.jpg"),
        QStringLiteral("Photos/2023/Winter/Schnee – Berge.jpg"),
        QStringLiteral("Photos/Ålesund.raw"),
    };
    QStringList all = paths;
    for (int i = 1; i <= 14; ++i)
        all << QStringLiteral("Documents/Many/file %1 with a fairly long name.bin").arg(i, 2, 10, QLatin1Char('0'));
    for (int i = 0; i < all.size(); ++i) {
        const QByteArray bytes = noise(i, 300 + i * 2731);
        const QString path = source + QLatin1Char('/') + all[i];
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        files.push_back({all[i], QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()});
    }
    QFile root(source + QStringLiteral("/in the root.txt")); // its entry goes with the root
    ASSERT_TRUE(root.open(QIODevice::WriteOnly) && root.write(noise(99, 5000)) == 5000);
    root.close();

    const QString image = at(QStringLiteral("fat32.img"));
    const QStringList geometry{QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-s"), QStringLiteral("4"),
                               QStringLiteral("-R"), QStringLiteral("32")};
    ASSERT_EQ(run(mkfs, QStringList{QStringLiteral("-C")} + geometry + QStringList{image, QStringLiteral("139264")}), 0);
    ASSERT_EQ(run(mcopy, {QStringLiteral("-s"), QStringLiteral("-i"), image, source + QStringLiteral("/Documents"),
                          source + QStringLiteral("/Photos"), source + QStringLiteral("/in the root.txt"),
                          QStringLiteral("::/")}),
              0);
    EXPECT_TRUE(rebuilt_folders(recover(image, QStringLiteral("unformatted"))).isEmpty())
        << "a volume never formatted lists no rebuilt folder";

    ASSERT_EQ(run(mkfs, geometry + QStringList{image}), 0);
    const QString out = recover(image, QStringLiteral("out"));
    const int back = came_back(out, files, true);
    EXPECT_GE(back * 100, static_cast<int>(files.size()) * 95) << back << " of " << files.size();
    check_reload(image, files, true, back);
}

// Catches: old MFT records not found, parents not resolved by number and
// sequence, resident data read without its fix-ups, runs placed with the
// wrong cluster size, the tree not kept in the scan file, and rebuilt
// folders on a volume never formatted.
TEST_F(raw_formatted_test, ntfs_paths_come_back_after_a_quick_format)
{
    const QString mkntfs = tool("mkntfs");
    ASSERT_FALSE(mkntfs.isEmpty()) << "ntfs-3g is needed (tools/install-deps.sh)";
    fixture_manifest_c manifest;
    QString error;
    ASSERT_TRUE(load_fixture_manifest(QStringLiteral("ntfs"), manifest, &error)) << error.toStdString();
    // The live files, each under its path; a compressed file's data is not
    // read by the deep scan.
    std::vector<written_s> files;
    for (const fixture_entry_s &e : manifest.entries())
        if (e.kind == fixture_kind_e::file && !e.deleted && !e.has_note(QStringLiteral("compressed")))
            files.push_back({e.path, e.sha256});
    ASSERT_GE(files.size(), 40u);

    const QString image = at(QStringLiteral("ntfs.img"));
    ASSERT_TRUE(QFile::copy(manifest.image_path(), image));
    EXPECT_TRUE(rebuilt_folders(recover(image, QStringLiteral("unformatted"))).isEmpty())
        << "a volume never formatted lists no rebuilt folder";

    ASSERT_EQ(run(mkntfs, {QStringLiteral("-F"), QStringLiteral("-Q"), QStringLiteral("-q"), QStringLiteral("-c"),
                           QStringLiteral("4096"), QStringLiteral("-L"), QStringLiteral("NEW"), image}),
              0);
    const QString out = recover(image, QStringLiteral("out"));
    const int back = came_back(out, files, false);
    EXPECT_GE(back * 100, static_cast<int>(files.size()) * 95) << back << " of " << files.size();
    check_reload(image, files, false, back);
}

} // namespace
