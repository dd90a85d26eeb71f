// Backups of sector 0, kept before every rewrite so it can be put back.
//
// A backup file is the 512-byte sector itself (so `dd ... count=1` puts it
// back by hand) followed by a short text record of the disk it came from:
//
//   TarnRecovery sector 0 backup
//   disk=/dev/sdb
//   identity=serial:WD-1234
//   size=500107862016
//
// Files of exactly 512 bytes are backups from before the record was kept.
#pragma once

#include <QString>

#include "sector_zero.h"

struct mbr_backup_s {
    sector_bytes_t sector{};
    bool has_record = false; // false for a bare 512-byte sector
    QString disk;            // path when the backup was taken
    QString identity;        // see platform/disk_identity.h
    quint64 size = 0;        // disk size in bytes
};

// mbr-backups in the user's state folder; empty when that folder cannot be made.
QString mbr_backup_folder();

// Writes sector and the record of disk_path (of disk_size bytes) to a new
// file in folder named after the disk and the time
// ("mbr-<disk>-<yyyyMMdd-HHmmss>[-N].bin"), synced to disk. 0 and *path, or
// -1 with *error. Never overwrites an existing file.
int save_mbr_backup(const QString &folder, const QString &disk_path, quint64 disk_size, const sector_bytes_t &sector,
                    QString *path, QString *error);

// Reads a backup; refuses a file whose sector does not end in 55 AA or whose
// record is damaged.
int load_mbr_backup(const QString &file, mbr_backup_s &out, QString *error);

// 0 when backup was taken from disk_path (same identity and size); -1 with
// *error otherwise. A backup without a record passes only with accept_bare.
int check_backup_disk(const mbr_backup_s &backup, const QString &disk_path, quint64 disk_size, bool accept_bare,
                      QString *error);
