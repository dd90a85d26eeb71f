// One partition found by the lost-partition search.
#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

struct partition_item_s {
    QString file_system;      // "FAT12/16/32", "NTFS", "exFAT", "ext2/3/4", "swap", or the system's name
    qint32 type_id = 0;       // MBR partition type byte: 0x07 (NTFS, exFAT), 0x0C (FAT32, LBA), 0x83...
    quint64 start_sector = 0; // first sector of the volume, 512-byte sectors
    quint64 end_sector = 0;   // last sector, inclusive

    bool operator==(const partition_item_s &o) const
    {
        return file_system == o.file_system && type_id == o.type_id && start_sector == o.start_sector &&
            end_sector == o.end_sector;
    }
};

Q_DECLARE_METATYPE(partition_item_s)
