#include "volume_item.h"

#include "platform/disks.h"

bool volume_item_s::operator==(const volume_item_s &o) const
{
    return device_name == o.device_name && volume_path == o.volume_path && label == o.label &&
        file_system == o.file_system && mount_path == o.mount_path && total_bytes == o.total_bytes &&
        free_bytes == o.free_bytes && free_known == o.free_known && partition_number == o.partition_number &&
        disk_number == o.disk_number;
}

volume_item_s make_volume_item(const volume_info_s &info)
{
    volume_item_s row;
    row.device_name = QString::fromStdString(info.device_name);
    row.volume_path = QString::fromStdString(info.volume_path);
    row.label = QString::fromStdString(info.label);
    row.file_system = QString::fromStdString(info.fs_name);
    row.mount_path = info.mount_paths.empty() ? row.device_name : QString::fromStdString(info.mount_paths.front());
    row.total_bytes = info.total_bytes;
    row.free_bytes = info.free_bytes;
    row.free_known = info.free_known;
    row.partition_number = info.partition_number;
    row.disk_number = info.disk_number;
    return row;
}
