// Restores a list of found rows into a folder through their engine, with
// safe output names, optionally recreating the found folder paths, and says
// which rows failed or came back incomplete.
#pragma once

#include <QList>
#include <QString>

#include "engines/recovery_base.h"
#include "found_tree.h"
#include "safe_name.h"

struct recovery_failure_s {
    found_row_s row;
    QString output;         // the partial file kept, or empty
    quint64 bytes_kept = 0;
};

struct recovery_report_s {
    QStringList written;    // output paths of complete files
    QList<recovery_failure_s> failed;
};

class recovery_writer_c {
public:
    recovery_writer_c(engine_kind_e kind, recovery_base_c &engine, const QString &destination,
                      bool recreate_folders);
    recovery_report_s write(const QList<found_row_s> &rows);

private:
    QString folder_for(const found_row_s &row);

    engine_kind_e kind_;
    recovery_base_c &engine_;
    QString destination_;
    bool recreate_folders_;
    output_names_c names_;
};
