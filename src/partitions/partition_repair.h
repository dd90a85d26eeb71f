// The lost-partition search thread and the repair of sector 0 it enables.
#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>

#include "devices/drive_item.h"
#include "partition_item.h"
#include "sector_zero.h"

class partition_repair_c : public QThread {
    Q_OBJECT
public:
    explicit partition_repair_c(QObject *parent = nullptr);
    ~partition_repair_c() override;

    // Copies what the search and the repair need from the drive row (the
    // drive list may be rebuilt meanwhile) and starts the search. Does nothing
    // while a search runs or for the header row.
    void start_with_drive(const drive_item_s &drive);
    // Asks the search to end; it does so before reading another window.
    void request_stop();
    // Starts the search and blocks until it ends, calling tick with the
    // progress every 200 ms (for callers without an event loop).
    void search_and_wait(const drive_item_s &drive, const std::function<void(double)> &tick = {});
    bool stop_requested() const { return stop_.load(); }

    // A copy of the rows found so far, in the order found.
    QList<partition_item_s> rows() const;
    double progress() const { return progress_.load(); }
    // Why the last search could not read the drive at all; empty otherwise.
    QString open_error() const;
    bool has_drive() const;
    drive_item_s drive() const;

    // The sector 0 the repair would write, built from the current sector 0.
    int preview_repair(sector_bytes_t &out, QString *error) const;
    // Rewrites sector 0 from the rows, after saving the old sector to a backup
    // file in backup_folder (reported through *backup_path). Refused while the
    // search runs, before a drive is set and when no row was found.
    int repair(const QString &backup_folder, QString *backup_path, QString *error);

signals:
    // A copy of each new row, sent after the row is in rows().
    void partition_found(const partition_item_s &row);

protected:
    void run() override;

private:
    int check_repair_allowed(QString *error) const;

    mutable QMutex mutex_;  // guards drive_, open_error_ and rows_
    drive_item_s drive_;
    QString open_error_;
    QList<partition_item_s> rows_;
    std::atomic<double> progress_{0.0};
    std::atomic<bool> stop_{false};
};
