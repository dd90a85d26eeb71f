#include "drive_row.h"

#include "drive_list.h"
#include "platform/disks.h"

bool drive_row_for_disk(int disk_number, drive_item_s &out, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const std::vector<disk_info_s> disks = list_disks();
    if (disk_number < 0 || disk_number >= static_cast<int>(disks.size()))
        return fail(QStringLiteral("there is no disk %1").arg(disk_number));
    // The drive list ends at a disk without geometry, so ask for this one alone.
    const QList<drive_item_s> rows = build_drive_rows({disks[disk_number]});
    if (rows.size() < 2)
        return fail(
            QStringLiteral("the geometry of %1 is unknown").arg(QString::fromStdString(disks[disk_number].path)));
    out = rows[1];
    return true;
}
