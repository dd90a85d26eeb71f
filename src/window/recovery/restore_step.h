// Recover pressed: the session's chosen rows, of every folder, restored
// into a folder the user names (into the found folders below it, or side by
// side), after the questions that come first (nothing chosen, the scanned
// volume as destination, too little room), on the writer thread; its
// progress while it runs; then what became of each row.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "core/session/progress_estimate.h"
#include "records/found_row.h"

class QWidget;
class recovery_file_c;
class scan_session_c;

// Where a restore writes, as the destination step answers.
struct restore_destination_s {
    restore_destination_s(QString folder = QString(), bool flat = false) : folder(std::move(folder)), flat(flat) {}
    QString folder; // empty: nothing chosen
    bool flat;      // files side by side instead of in their found folders
};

// The folder dialog: starts in the last destination, can make a folder, and
// offers "flat"; the choice is remembered in the settings.
restore_destination_s ask_restore_destination(QWidget *page);

class restore_step_c : public QObject {
    Q_OBJECT
public:
    // choose_destination and open_folder are the page's and outlive this.
    restore_step_c(scan_session_c &session, QWidget *page,
                   const std::function<restore_destination_s(QWidget *)> &choose_destination,
                   const std::function<void(const QString &)> &open_folder);
    ~restore_step_c() override;

    // Asks, then starts the writer; false when nothing was started.
    bool start();
    bool running() const;
    // "Recovering 37 of 1,204 — name", then elapsed, rate and time left.
    QString status_line() const;
    QString estimate_line() const;

signals:
    // Repaint: progress was made, or the restore ended.
    void progressed();
    void finished();

private:
    void on_writer_finished();
    void on_progressed(int done, int total);

    scan_session_c &session_;
    QWidget *page_;
    const std::function<restore_destination_s(QWidget *)> &choose_destination_;
    const std::function<void(const QString &)> &open_folder_;
    recovery_file_c *writer_ = nullptr;
    QList<found_row_s> rows_;  // what the writer restores, in its order
    QList<quint64> bytes_before_; // bytes of the rows before each
    int done_ = 0;
    progress_estimate_c estimate_;
    QElapsedTimer clock_;
    QTimer timer_; // the elapsed time moves on between rows
};
