#include "fixture_manifest.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

namespace {

const QStringList required_columns = {QStringLiteral("path"),        QStringLiteral("size"),
                                      QStringLiteral("sha256"),      QStringLiteral("deleted"),
                                      QStringLiteral("overwritten"), QStringLiteral("fragmented"),
                                      QStringLiteral("partition"),   QStringLiteral("kind"),
                                      QStringLiteral("notes")};

bool parse_flag(const QString &text, bool &out)
{
    if (text == QLatin1String("yes")) {
        out = true;
    } else if (text == QLatin1String("no")) {
        out = false;
    } else {
        return false;
    }
    return true;
}

bool parse_kind(const QString &text, fixture_kind_e &out)
{
    if (text == QLatin1String("file")) {
        out = fixture_kind_e::file;
    } else if (text == QLatin1String("dir")) {
        out = fixture_kind_e::dir;
    } else if (text == QLatin1String("stream")) {
        out = fixture_kind_e::stream;
    } else {
        return false;
    }
    return true;
}

bool parse_number(const QString &text, qint64 &out)
{
    bool ok = false;
    out = text.toLongLong(&ok);
    return ok;
}

} // namespace

QString fixture_entry_s::name() const
{
    return path.section(QLatin1Char('/'), -1);
}

bool fixture_manifest_c::fail(int line, const QString &what)
{
    error_ = QStringLiteral("manifest line %1: %2").arg(line).arg(what);
    return false;
}

bool fixture_manifest_c::parse(const QByteArray &text)
{
    folder_.clear();
    properties_.clear();
    entries_.clear();
    error_.clear();
    QHash<QString, int> column;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const int line_no = i + 1;
        const QString line = QString::fromUtf8(lines[i]);
        if (line.isEmpty()) {
            continue;
        }
        if (line.startsWith(QLatin1String("# "))) {
            const int tab = line.indexOf(QLatin1Char('\t'));
            if (tab < 0) {
                return fail(line_no, QStringLiteral("property without a tab"));
            }
            properties_.insert(line.mid(2, tab - 2), line.mid(tab + 1));
            continue;
        }
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (column.isEmpty()) {
            for (int c = 0; c < fields.size(); ++c) {
                column.insert(fields[c], c);
            }
            for (const QString &name : required_columns) {
                if (!column.contains(name)) {
                    return fail(line_no, QStringLiteral("no column \"%1\"").arg(name));
                }
            }
            continue;
        }
        if (fields.size() != column.size()) {
            return fail(line_no, QStringLiteral("%1 fields, expected %2").arg(fields.size()).arg(column.size()));
        }
        const auto field = [&](const char *name) { return fields.value(column.value(QLatin1String(name), -1)); };
        fixture_entry_s e;
        e.path = field("path");
        qint64 partition = 0;
        bool ok = !e.path.isEmpty() && parse_number(field("size"), e.size) && e.size >= 0 &&
            parse_flag(field("deleted"), e.deleted) && parse_flag(field("overwritten"), e.overwritten) &&
            parse_flag(field("fragmented"), e.fragmented) && parse_kind(field("kind"), e.kind) &&
            parse_number(field("partition"), partition) && partition >= 0;
        if (ok && column.contains(QStringLiteral("first_cluster"))) {
            ok = parse_number(field("first_cluster"), e.first_cluster) && e.first_cluster >= 0;
        }
        if (ok && column.contains(QStringLiteral("mft_record"))) {
            ok = parse_number(field("mft_record"), e.mft_record) && e.mft_record >= 0;
        }
        if (ok && column.contains(QStringLiteral("modified"))) {
            ok = parse_number(field("modified"), e.modified) && e.modified > 0;
        }
        if (!ok) {
            return fail(line_no, QStringLiteral("malformed entry"));
        }
        e.partition = static_cast<int>(partition);
        const QString sha = field("sha256");
        if (sha != QLatin1String("-")) {
            e.sha256 = sha.toLatin1();
        }
        const QString clusters = field("clusters");
        if (clusters != QLatin1String("-")) {
            e.clusters = clusters;
        }
        const QString notes = field("notes");
        if (notes != QLatin1String("-")) {
            e.notes = notes.split(QLatin1Char(','));
        }
        entries_.push_back(e);
    }
    if (column.isEmpty()) {
        return fail(lines.size(), QStringLiteral("no column names"));
    }
    return true;
}

bool fixture_manifest_c::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    const bool ok = parse(file.readAll());
    folder_ = QFileInfo(path).absolutePath();
    return ok;
}

QString fixture_manifest_c::image_path() const
{
    return folder_.isEmpty() ? QString() : folder_ + QLatin1Char('/') + image();
}

std::vector<fixture_partition_s> fixture_manifest_c::partitions() const
{
    QMap<int, fixture_partition_s> found;
    for (auto it = properties_.cbegin(); it != properties_.cend(); ++it) {
        const QStringList key = it.key().split(QLatin1Char('.'));
        bool ok = false;
        const int number = key.value(1).toInt(&ok);
        if (key.size() != 3 || key[0] != QLatin1String("partition") || !ok) {
            continue;
        }
        fixture_partition_s &p = found[number];
        p.number = number;
        const QString &value = it.value();
        if (key[2] == QLatin1String("offset")) {
            p.offset = value.toLongLong();
        } else if (key[2] == QLatin1String("size")) {
            p.size = value.toLongLong();
        } else if (key[2] == QLatin1String("file_system")) {
            p.file_system = value;
        } else if (key[2] == QLatin1String("cluster_size")) {
            p.cluster_size = value.toLongLong();
        } else if (key[2] == QLatin1String("data_offset")) {
            p.data_offset = value.toLongLong();
        } else if (key[2] == QLatin1String("label")) {
            p.label = value;
        }
    }
    return {found.cbegin(), found.cend()};
}

fixture_partition_s fixture_manifest_c::partition(int number) const
{
    for (const fixture_partition_s &p : partitions()) {
        if (p.number == number) {
            return p;
        }
    }
    fixture_partition_s none;
    none.number = -1;
    return none;
}

QString fixtures_dir()
{
    return qEnvironmentVariable("TARN_FIXTURES_DIR");
}

bool load_fixture_manifest(const QString &name, fixture_manifest_c &manifest, QString *error)
{
    const QString dir = fixtures_dir();
    const bool ok = !dir.isEmpty() && manifest.load(dir + QLatin1Char('/') + name + QLatin1String(".manifest"));
    if (!ok && error) {
        *error = dir.isEmpty() ? QStringLiteral("TARN_FIXTURES_DIR is not set") : manifest.error();
    }
    return ok;
}

QByteArray file_sha256(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        return {};
    }
    return hash.result().toHex();
}

QSet<QByteArray> restored_hashes(const QString &folder)
{
    QSet<QByteArray> hashes;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        hashes.insert(file_sha256(it.next()));
    return hashes;
}
