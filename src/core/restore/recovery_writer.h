// Restores a list of found rows into a folder through the engine that found
// them. The writer owns every file it makes: the folder is opened once and
// each name, made safe, is created inside it and never replaces anything.
// It says what became of each row and why.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "engines/recovery_base.h"
#include "records/found_row.h"
#include "platform/output_folder.h"
#include "safe_name.h"

struct recovery_failure_s {
    found_row_s row;
    QString output; // the partial file kept, or empty
    quint64 bytes_kept = 0;
    QString reason; // why, as the user reads it
    // Written whole in length, with zeros where sectors could not be read
    // (the reason says which bytes).
    bool zero_filled = false;
};

struct recovery_report_s {
    QStringList written;              // output paths of complete files
    QList<recovery_failure_s> failed; // failed (no output) or incomplete (output kept)
    QList<found_row_s> skipped;       // rows that name no stored data
    // Why the restore did not start (the folder cannot be written, the
    // files do not fit), or why it stopped before its end (the folder
    // filled up); empty when it ran through every row.
    QString refused;
    QString stopped;
    // When it was refused for room: what the rows need and what the folder
    // has free, in bytes.
    quint64 bytes_needed = 0;
    quint64 bytes_free = 0;
    bool refused_for_room() const { return bytes_needed > bytes_free; }
};

// Bytes a restore of rows writes at most.
quint64 restore_bytes(const QList<found_row_s> &rows);
// How many rows, from the first, fit in free bytes.
qsizetype rows_that_fit(const QList<found_row_s> &rows, quint64 free);

class recovery_writer_c {
public:
    recovery_writer_c(recovery_base_c &engine, const QString &destination, bool recreate_folders);
    // progress(done, total) is called after each row.
    recovery_report_s write(const QList<found_row_s> &rows, const std::function<void(int, int)> &progress = nullptr);

private:
    struct output_s {
        output_folder_c::folder_t folder = output_folder_c::top;
        QString name; // empty: no name could be had
        int result = -1;
        quint64 size = 0;
        QString reason;
        bool zero_filled = false;
    };
    output_folder_c::folder_t folder_for(const found_row_s &row, bool *ok);
    void restore_all(const QList<found_row_s> &rows, std::vector<output_s> &outputs,
                     const std::function<void(int, int)> &progress);
    void restore_one(const found_row_s &row, output_s &output);
    void report_one(const found_row_s &row, const output_s &output, recovery_report_s &report);
    QString path_of(const output_s &output) const;

    recovery_base_c &engine_;
    QString destination_;
    bool recreate_folders_;
    output_folder_c out_;
    output_names_c names_{out_};
    std::mutex names_mutex_; // names are claimed again from workers when one was taken meanwhile
    // Folders this restore made or entered, with the time each is to get.
    std::vector<std::pair<output_folder_c::folder_t, qint64>> folder_times_;
    std::atomic<bool> full_{false};
};
