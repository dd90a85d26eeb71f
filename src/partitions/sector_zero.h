// Reading and rewriting sector 0 of a disk, always behind a backup of the
// sector being replaced.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

using sector_bytes_t = std::array<uint8_t, 512>;

// Makes the new sector 0 from the one on the disk; 0, or -1 with *error.
using make_sector_fn = std::function<int(const sector_bytes_t &old_sector, sector_bytes_t &next, QString *error)>;

// Reads sector 0 of a disk (block device or image file).
int read_sector_zero(const QString &disk_path, sector_bytes_t &out, QString *error);

// Opens the disk for writing, reads sector 0, makes the new sector, saves the
// old one to a new file in backup_folder, writes the new one and reads it back.
// Nothing is written unless the backup is safely on disk. Returns 0, or -1
// with *error; *backup_path names the backup whenever one was made.
int rewrite_sector_zero(const QString &disk_path, const make_sector_fn &make, const QString &backup_folder,
                        QString *backup_path, QString *error);
