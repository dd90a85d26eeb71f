#include "table_repair_job.h"

table_repair_job_c::table_repair_job_c(QObject *parent) : QObject(parent) {}

bool table_repair_job_c::plan(const drive_item_s &drive, const QList<partition_item_s> &rows)
{
    return worker.run(
        [this, drive, rows] {
            plan_ = table_repair_plan_s{};
            error.clear();
            result = plan_table_repair(drive, rows, {}, plan_, &error);
        },
        [this] { emit planned(result == 0, error); });
}

bool table_repair_job_c::apply(const QString &backup_folder)
{
    if (worker.busy() || !plan_.ready)
        return false;
    return worker.run(
        [this, backup_folder] {
            backup_path.clear();
            error.clear();
            result = apply_table_repair(plan_, backup_folder, &backup_path, &error);
        },
        [this] {
            // A plan is written once.
            plan_.ready = false;
            emit applied(result == 0, backup_path, error);
        });
}
