// Reading and rewriting the table sectors of a disk, always behind a backup
// of the sectors being replaced.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/block_device.h"

using sector_bytes_t = std::array<uint8_t, 512>;

// Whole 512-byte sectors to write from lba on.
struct sector_write_s {
    quint64 lba = 0;
    QByteArray bytes; // a multiple of 512 bytes

    bool operator==(const sector_write_s &o) const { return lba == o.lba && bytes == o.bytes; }
};
using sector_writes_t = QList<sector_write_s>;

// Makes the writes from the disk (opened for writing); 0, or -1 with *error
// to write nothing.
using make_writes_fn = std::function<int(block_device_c &disk, sector_writes_t &writes, QString *error)>;

// The sectors a rewrite saves first: 0 to 33 and the last 33 (where MBR and
// GPT keep their tables), and every sector written; ascending.
QList<quint64> sectors_to_save(quint64 disk_sectors, const sector_writes_t &writes);

// Opens a disk (block device or image file) whose tables count 512-byte
// sectors; null with *error otherwise.
std::unique_ptr<block_device_c> open_disk_512(const QString &disk_path, open_mode_e mode, QString *error);

// 0 when neither the disk nor any of its partitions is mounted or otherwise
// held by the system; -1 with *error naming each user otherwise.
int check_disk_not_in_use(const QString &disk_path, QString *error);

// Opens the disk for writing, makes the writes, saves the sectors
// sectors_to_save names with the disk's record to a new file in
// backup_folder, writes and reads back. Nothing is written unless the backup
// is safely on disk. Returns 0, or -1 with *error; *backup_path names the
// backup whenever one was made.
int rewrite_sectors(const QString &disk_path, const make_writes_fn &make, const QString &backup_folder,
                    QString *backup_path, QString *error);
