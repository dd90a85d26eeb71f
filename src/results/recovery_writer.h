// Restores a list of found rows into a folder through the engine that found
// them, with safe output names, optionally recreating the found folder
// paths, and says what became of each row.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <vector>

#include "engines/recovery_base.h"
#include "found_row.h"
#include "safe_name.h"

struct recovery_failure_s {
    found_row_s row;
    QString output; // the partial file kept, or empty
    quint64 bytes_kept = 0;
};

struct recovery_report_s {
    QStringList written;              // output paths of complete files
    QList<recovery_failure_s> failed; // failed (no output) or incomplete (output kept)
    QList<found_row_s> skipped;       // rows that name no stored data
};

class recovery_writer_c {
public:
    recovery_writer_c(recovery_base_c &engine, const QString &destination, bool recreate_folders);
    // progress(done, total) is called after each row.
    recovery_report_s write(const QList<found_row_s> &rows, const std::function<void(int, int)> &progress = nullptr);

private:
    QString folder_for(const found_row_s &row);
    // results[i]: what the engine's recover_row gave for rows[i].
    void restore_all(const QList<found_row_s> &rows, const QStringList &outputs, std::vector<int> &results,
                     const std::function<void(int, int)> &progress);

    recovery_base_c &engine_;
    QString destination_;
    bool recreate_folders_;
    output_names_c names_;
};
