// Reading and rewriting sector 0 of a disk, always behind a backup of the
// sector being replaced.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/block_device.h"

using sector_bytes_t = std::array<uint8_t, 512>;

// Makes the new sector 0 from the disk (opened for writing) and the sector 0
// read from it; 0, or -1 with *error to write nothing.
using make_sector_fn =
    std::function<int(block_device_c &disk, const sector_bytes_t &old_sector, sector_bytes_t &next, QString *error)>;

// Opens a disk (block device or image file) whose tables count 512-byte
// sectors; null with *error otherwise.
std::unique_ptr<block_device_c> open_disk_512(const QString &disk_path, open_mode_e mode, QString *error);

// 0 when neither the disk nor any of its partitions is mounted or otherwise
// held by the system; -1 with *error naming each user otherwise.
int check_disk_not_in_use(const QString &disk_path, QString *error);

// Opens the disk for writing, reads sector 0, makes the new sector, saves the
// old one with the disk's record to a new file in backup_folder, writes the
// new one and reads it back. Nothing is written unless the backup is safely
// on disk. Returns 0, or -1 with *error; *backup_path names the backup
// whenever one was made.
int rewrite_sector_zero(const QString &disk_path, const make_sector_fn &make, const QString &backup_folder,
                        QString *backup_path, QString *error);
