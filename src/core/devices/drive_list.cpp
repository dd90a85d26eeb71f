#include "drive_list.h"

namespace {

// Set only on the thread that shows them.
QList<drive_item_s> rows;

} // namespace

QList<drive_item_s> build_drive_rows(const std::vector<disk_info_s> &disks)
{
    QList<drive_item_s> built;
    built.append(drive_item_s{});
    for (const disk_info_s &disk : disks) {
        const disk_geometry_s &g = disk.geometry;
        if (g.bytes_per_sector == 0 || g.cylinders == 0)
            break;
        drive_item_s row;
        row.name = QString::fromStdString(disk.path);
        // The bytes the disk reports: whole cylinders leave out its last part.
        row.size = disk.size_bytes != 0
            ? disk.size_bytes
            : quint64(g.bytes_per_sector) * g.sectors_per_track * g.tracks_per_cylinder * g.cylinders;
        row.geometry = g;
        built.append(row);
    }
    return built;
}

QList<drive_item_s> read_drive_rows()
{
    return build_drive_rows(list_disks());
}

void set_drive_rows(const QList<drive_item_s> &read)
{
    rows = read;
}

const QList<drive_item_s> &drive_rows()
{
    return rows;
}
