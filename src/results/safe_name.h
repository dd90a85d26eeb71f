// Names read from a disk made safe to create in a chosen folder: they may
// hold separators, "..", control characters, or be empty.
#pragma once

#include <QDir>
#include <QHash>
#include <QSet>
#include <QString>

// A readable name that is one plain entry of a folder: separators and
// control characters become "_", "" "." ".." become visible stand-ins, and
// the name is cut to fit the file system's 255-byte limit.
QString safe_file_name(const QString &name);

// Hands out the output names of one writer run. A name is never given twice
// and never names something that already exists in the folder, so a restore
// replaces nothing; a taken name gets " (2)", " (3)", ... before its extension.
class output_names_c {
public:
    // Path of a new file for name in folder; empty when none can be found.
    QString claim_file(const QString &folder, const QString &name);
    // Path of the folder for name in parent: made by this run, or a plain
    // folder (not a link) already there. Empty when it cannot be made.
    QString claim_folder(const QString &parent, const QString &name);

private:
    QString free_path(const QString &folder, const QString &name, bool folder_ok);
    QSet<QString> taken_;
    QHash<QString, QString> folders_; // parent + "/" + name -> folder path
};
