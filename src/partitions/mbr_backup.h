// Backups of sector 0, kept before every rewrite so it can be put back.
#pragma once

#include <QString>

#include "sector_zero.h"

// mbr-backups in the user's state folder; empty when that folder cannot be made.
QString mbr_backup_folder();

// Writes sector to a new file in folder named after the disk and the time
// ("mbr-<disk>-<yyyyMMdd-HHmmss>[-N].bin"), synced to disk. 0 and *path, or
// -1 with *error. Never overwrites an existing file.
int save_mbr_backup(const QString &folder, const QString &disk_path, const sector_bytes_t &sector,
                    QString *path, QString *error);

// Reads a backup; refuses a file that is not exactly one 512-byte sector
// ending in 55 AA.
int load_mbr_backup(const QString &file, sector_bytes_t &out, QString *error);
