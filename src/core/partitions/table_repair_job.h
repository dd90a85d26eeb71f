// A table repair run on a worker thread, for a page that must not read or
// write the disk itself: the plan first (refused before the user is asked),
// then, once the user has confirmed, the backup-first write of that plan.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "core/devices/device_worker.h"
#include "table_repair.h"

class table_repair_job_c : public QObject {
    Q_OBJECT
public:
    explicit table_repair_job_c(QObject *parent = nullptr);

    // Plans the repair of drive from the rows of a finished search;
    // planned() follows. False while the job is busy.
    bool plan(const drive_item_s &drive, const QList<partition_item_s> &rows);
    // Writes the plan that planned() called ready, saving the old sector 0
    // to backup_folder first; applied() follows. False while the job is
    // busy or without a ready plan.
    bool apply(const QString &backup_folder);
    bool busy() const { return worker.busy(); }
    // The last plan, for showing; read it only after planned().
    const table_repair_plan_s &last_plan() const { return plan_; }

signals:
    // error says why a plan is refused (empty when ready).
    void planned(bool ready, const QString &error);
    // backup_path names the backup whenever one was made.
    void applied(bool written, const QString &backup_path, const QString &error);

private:
    table_repair_plan_s plan_;
    int result = 0;
    QString backup_path;
    QString error;
    // Last: it waits for running work before what the work writes goes.
    device_worker_c worker;
};
