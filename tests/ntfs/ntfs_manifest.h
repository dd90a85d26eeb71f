// The rows of the NTFS fixture's manifest (tests/fixtures) that the NTFS
// tests compare with, and file hashes.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

struct manifest_row_s {
    QString path;
    QByteArray sha256;
    bool deleted = false, overwritten = false;
    quint64 record = 0;
    QString kind, notes;

    bool restorable_deleted_file() const { return deleted && !overwritten && kind == QLatin1String("file"); }
};

// Rows by column name; empty when the file cannot be read.
std::vector<manifest_row_s> read_manifest(const QString &path);

// Lower-case hex sha256 of a file; empty when it cannot be read.
QByteArray sha256_of(const QString &path);
