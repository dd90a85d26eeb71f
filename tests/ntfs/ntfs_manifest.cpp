#include "ntfs_manifest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringList>

std::vector<manifest_row_s> read_manifest(const QString &path)
{
    std::vector<manifest_row_s> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    QStringList columns;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        QString line = QString::fromUtf8(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList cells = line.split(QLatin1Char('\t'));
        if (columns.isEmpty()) {
            columns = cells;
            continue;
        }
        auto cell = [&](const char *name) { return cells.value(columns.indexOf(QLatin1String(name))); };
        manifest_row_s row;
        row.path = cell("path");
        row.sha256 = cell("sha256").toLatin1();
        row.deleted = cell("deleted") == QLatin1String("yes");
        row.overwritten = cell("overwritten") == QLatin1String("yes");
        row.record = cell("mft_record").toULongLong();
        row.kind = cell("kind");
        row.notes = cell("notes");
        rows.push_back(row);
    }
    return rows;
}

QByteArray sha256_of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

