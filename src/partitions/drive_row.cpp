#include "drive_row.h"

#include "platform/block_device.h"

bool make_drive_row(const QString &path, drive_item_s &out, QString *error)
{
    std::string why;
    auto disk = open_block_device(path.toStdString(), open_mode_e::read, &why);
    if (!disk) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    disk_geometry_s geometry;
    geometry.tracks_per_cylinder = 255;
    geometry.sectors_per_track = 63;
    geometry.bytes_per_sector = disk->sector_size();
    geometry.media_type = 12;  // fixed disk
    geometry.cylinders = disk->size() / (255ull * 63 * disk->sector_size());
    out.name = path;
    out.size = disk->size();
    out.geometry = geometry;
    return true;
}
