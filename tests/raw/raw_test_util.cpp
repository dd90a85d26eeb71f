#include "raw_test_util.h"

#include <QFile>
#include <QProcess>
#include <random>

std::vector<planted_file_s> make_samples(const QString &dir)
{
    const QString script = qEnvironmentVariable("TARN_SOURCE_DIR") + QStringLiteral("/tests/raw/make_samples.py");
    QProcess p;
    p.start(QStringLiteral("python3"), {script, dir});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return {};
    std::vector<planted_file_s> files;
    const QList<QByteArray> lines = read_file(dir + QStringLiteral("/manifest.txt")).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue;
        planted_file_s f;
        f.name = QString::fromUtf8(words[0]);
        f.type = words[1].toStdString();
        f.bytes = read_file(dir + QLatin1Char('/') + f.name);
        files.push_back(f);
    }
    return files;
}

QByteArray plant_files(std::vector<planted_file_s> &files, unsigned seed)
{
    std::mt19937 rng(seed);
    auto noise_sectors = [&](QByteArray &image, int count) {
        for (int i = 0; i < count * 512; ++i)
            image.append(static_cast<char>(rng() & 0xff));
    };
    QByteArray image;
    noise_sectors(image, 3);
    for (planted_file_s &f : files) {
        f.offset = static_cast<uint64_t>(image.size());
        image.append(f.bytes);
        image.append(QByteArray((512 - image.size() % 512) % 512, '\0'));
        noise_sectors(image, 1 + static_cast<int>(rng() % 3));
    }
    return image;
}

bool write_file(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray read_file(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void raw_samples_test::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    files = make_samples(dir.filePath(QStringLiteral("samples")));
    if (files.empty())
        GTEST_SKIP() << "python3 could not make the sample files";
}
