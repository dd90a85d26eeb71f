// The writer thread: restores the checked rows of a finished scan into the
// chosen folder off the interface thread, through the scan session.
#pragma once

#include <QList>
#include <QString>
#include <QThread>

#include "records/found_row.h"
#include "core/restore/recovery_writer.h"

class scan_session_c;

class recovery_file_c : public QThread {
    Q_OBJECT
public:
    // The session's restore emits its progress from this thread.
    explicit recovery_file_c(scan_session_c &session, QObject *parent = nullptr);

    // Takes its own copy of the rows, so the page may show another folder,
    // check or sort while this runs. Only while not running.
    // recreate_folders: each file in its found folder below destination.
    void setup(const QString &destination, const QList<found_row_s> &rows, bool recreate_folders);
    const QString &destination() const { return destination_; }
    // What became of each row; read after finished().
    const recovery_report_s &report() const { return report_; }

protected:
    void run() override;

private:
    scan_session_c &session_;
    QString destination_;
    QList<found_row_s> rows_;
    bool recreate_folders_ = true;
    recovery_report_s report_;
};

// How a restore went, as the user is told.
struct recovery_counts_s {
    int restored = 0;
    int incomplete = 0; // cut short by a read error: what was read is kept
    int failed = 0;     // nothing written
    int no_data = 0;    // the row names no stored data
};
recovery_counts_s count_results(const recovery_report_s &report);

// One line for each row not restored whole: its path on the volume and why
// (no_data for the rows that name no stored data); empty when none.
QString not_restored_list(const recovery_report_s &report, const QString &no_data);
