#include "volume_list.h"

#include "boot_sector_naming.h"

#include <algorithm>

namespace {

constexpr uint32_t drive_type_remote = 4;
constexpr uint32_t drive_type_cdrom = 5;

// Set only on the thread that shows them (a listing reads on its worker and
// sets them on its owner's thread).
QList<volume_info_s> records;
QList<volume_item_s> rows;

QString first_mount_path(const volume_info_s &v)
{
    return QString::fromStdString(v.mount_paths.empty() ? v.device_name : v.mount_paths.front());
}

} // namespace

QList<volume_info_s> select_volume_records(const std::vector<volume_info_s> &found, bool can_read_raw)
{
    QList<volume_info_s> kept;
    for (const volume_info_s &v : found) {
        if (v.drive_type == drive_type_remote || v.drive_type == drive_type_cdrom)
            continue;
        // Image files are readable by whoever added them.
        if (v.drive_type == drive_type_fixed && !can_read_raw && !v.on_image)
            continue;
        kept.append(v);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const volume_info_s &a, const volume_info_s &b) {
        return first_mount_path(a) < first_mount_path(b);
    });
    return kept;
}

QList<volume_item_s> build_volume_rows(const QList<volume_info_s> &list)
{
    QList<volume_item_s> built;
    built.append(volume_item_s{});
    for (const volume_info_s &v : list)
        if (v.partition_number != -1 && v.disk_number != -1)
            built.append(make_volume_item(v));
    return built;
}

QList<volume_info_s> read_volume_records(free_space_fn free_space)
{
    QList<volume_info_s> kept = select_volume_records(listed_volumes(), can_read_raw_devices());
    for (volume_info_s &v : kept) {
        uint64_t free_bytes = 0;
        if (!v.free_known && free_space && free_space(v, free_bytes)) {
            v.free_bytes = free_bytes;
            v.free_known = true;
        }
    }
    return kept;
}

void set_volume_lists(const QList<volume_info_s> &read)
{
    records = read;
    rows = build_volume_rows(records);
}

void enumerate_volumes()
{
    set_volume_lists(read_volume_records(nullptr));
}

const QList<volume_info_s> &volume_records()
{
    return records;
}

const QList<volume_item_s> &volume_rows()
{
    return rows;
}
