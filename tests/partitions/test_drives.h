// Drive rows for disk image files and block devices, as the command line makes them.
#pragma once

#include <climits>
#include <cstdlib>
#include <string>

#include "core/devices/drive_row.h"
#include "core/partitions/partition_repair.h"
#include "core/partitions/table_repair.h"
#include "platform/disks.h"

inline drive_item_s drive_for_image(const std::string &path)
{
    drive_item_s drive;
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return drive;
    // Block devices are in the disk table already; image files are added.
    if (std::string(resolved).rfind("/dev/", 0) != 0 && !add_disk_image(resolved))
        return drive;
    const std::vector<disk_info_s> disks = list_disks();
    for (size_t i = 0; i < disks.size(); ++i)
        if (disks[i].path == resolved)
            drive_row_for_disk(static_cast<int>(i), drive, nullptr);
    return drive;
}

// Plans the repair from a finished search and applies it, as the front ends do.
inline int repair_found(const partition_repair_c &search, const QString &backup_folder, QString *backup_path,
                        QString *error, const QList<int> &drop = {})
{
    table_repair_plan_s plan;
    if (plan_table_repair(search.drive(), search.rows(), drop, plan, error) != 0)
        return -1;
    return apply_table_repair(plan, backup_folder, backup_path, error);
}
