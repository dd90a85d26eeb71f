// Plain-text tables and the checks shared by the listing commands.
#pragma once

#include <QString>
#include <QStringList>

#include "cli_args.h"

class text_table_c {
public:
    explicit text_table_c(const QStringList &titles) { rows_.append(titles); }
    void add(const QStringList &cells) { rows_.append(cells); }
    // Columns padded to their widest cell, two spaces apart.
    QString text() const;

private:
    QList<QStringList> rows_;
};

// Checks a listing command's words (no positional words, only the given
// options) and adds its --image files. Prints the reason and returns false
// when the command must stop with cli_bad_target.
bool prepare_listing(const char *command, const cli_args_c &args);

// Tells a user who cannot read raw disks what that hides.
void note_raw_access(const char *what_is_missing);
