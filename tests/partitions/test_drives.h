// Drive rows for disk image files, as the command line makes them.
#pragma once

#include <climits>
#include <cstdlib>
#include <string>

#include "partitions/drive_row.h"
#include "platform/disks.h"

inline drive_item_s drive_for_image(const std::string &path)
{
    drive_item_s drive;
    char resolved[PATH_MAX];
    if (!add_disk_image(path) || !realpath(path.c_str(), resolved))
        return drive;
    const std::vector<disk_info_s> disks = list_disks();
    for (size_t i = 0; i < disks.size(); ++i)
        if (disks[i].path == resolved)
            drive_row_for_disk(static_cast<int>(i), drive, nullptr);
    return drive;
}
