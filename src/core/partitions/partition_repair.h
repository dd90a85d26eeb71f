// The lost-partition search thread. Rewriting the partition table from its
// rows is a separate operation (table_repair.h), planned and shown first.
#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>

#include "core/devices/drive_item.h"
#include "partition_item.h"

class partition_repair_c : public QThread {
    Q_OBJECT
public:
    explicit partition_repair_c(QObject *parent = nullptr);
    ~partition_repair_c() override;

    // Copies what the search (and a later repair) needs from the drive row (the
    // drive list may be rebuilt meanwhile) and starts the search. Does nothing
    // while a search runs or for the header row.
    void start_with_drive(const drive_item_s &drive);
    // Asks the search to end; it does so before reading another window.
    void request_stop();
    // Starts the search and blocks until it ends, calling tick with the
    // progress every 200 ms (for callers without an event loop).
    void search_and_wait(const drive_item_s &drive, const std::function<void(double)> &tick = {});

    // A copy of the rows found so far, in the order found.
    QList<partition_item_s> rows() const;
    double progress() const { return progress_.load(); }
    // Why the last search could not read the drive at all; empty otherwise.
    QString open_error() const;
    drive_item_s drive() const;

signals:
    // A copy of each new row, sent after the row is in rows().
    void partition_found(const partition_item_s &row);

protected:
    void run() override;

private:
    mutable QMutex mutex_; // guards drive_, open_error_ and rows_
    drive_item_s drive_;
    QString open_error_;
    QList<partition_item_s> rows_;
    std::atomic<double> progress_{0.0};
    std::atomic<bool> stop_{false};
};
