// Names read from a disk made safe to create in a chosen folder: they may
// hold separators, "..", control characters, a leading ":" (a resource path
// to Qt), or be empty.
#pragma once

#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>

#include "platform/output_folder.h"

// A readable name that is one plain entry of a folder: separators and
// control characters become "_", "" "." ".." and a leading ":" become
// visible stand-ins, and the name is cut to fit the file system's 255-byte
// limit.
QString safe_file_name(const QString &name);

// Hands out the output names of one restore in its output folder. A name is
// never given twice and never names something already there, so a restore
// replaces nothing; a taken name gets " (2)", " (3)", ... before its
// extension.
class output_names_c {
public:
    explicit output_names_c(output_folder_c &out) : out_(out) {}
    // The name for a new file for name in folder; empty when none is free.
    QString claim_file(output_folder_c::folder_t folder, const QString &name);
    // The folder for name in parent: made by this restore, or a plain
    // folder (not a link) already there. False when it cannot be made.
    bool claim_folder(output_folder_c::folder_t parent, const QString &name, output_folder_c::folder_t *folder);

private:
    using key_t = QPair<output_folder_c::folder_t, QString>;
    // Candidate names for name, the safe form first.
    QString candidate(const QString &safe, int n) const;

    output_folder_c &out_;
    QSet<key_t> taken_;
    QHash<key_t, output_folder_c::folder_t> folders_;
};
