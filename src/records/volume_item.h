// The row that describes one volume: the scan target of every engine.
#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

struct volume_info_s;

struct volume_item_s {
    QString device_name; // empty only in the header row
    QString volume_path; // volume name path; reopenable, ends in the platform separator
    QString label;
    QString file_system; // "NTFS", "FAT32", "FAT", ...
    QString mount_path;  // first mount path, or the device name when unmounted
    quint64 total_bytes = 0;
    quint64 free_bytes = 0;
    bool free_known = true; // false: neither the mount nor the file system told
    qint32 partition_number = 0;
    qint32 disk_number = 0;

    bool is_header() const { return device_name.isEmpty(); }
    bool operator==(const volume_item_s &o) const;
};

Q_DECLARE_METATYPE(volume_item_s)

// Builds the row for one enumerated volume.
volume_item_s make_volume_item(const volume_info_s &info);
