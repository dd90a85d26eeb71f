// Backups of the table sectors, kept before every rewrite so they can be put
// back.
//
// A backup file is sector 0 itself (so `dd ... count=1` puts it back by
// hand) followed by a short text record of the disk it came from and, when
// more sectors were saved (GPT headers and arrays, EBRs), their numbers and
// their bytes after a "data" line:
//
//   TarnRecovery sector 0 backup
//   disk=/dev/sdb
//   identity=serial:WD-1234
//   size=500107862016
//   written=0,1,2,...          the sectors the rewrite replaced
//   sectors=1,2,...            the sectors whose bytes follow, in order
//   data
//
// Files of exactly 512 bytes are backups from before the record was kept.
#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include "sector_zero.h"

// Saved sectors by number; sector 0 is always among them.
using saved_sectors_t = QMap<quint64, sector_bytes_t>;

struct mbr_backup_s {
    saved_sectors_t sectors;
    QList<quint64> written;  // the sectors to put back: those the rewrite replaced
    bool has_record = false; // false for a bare 512-byte sector
    QString disk;            // path when the backup was taken
    QString identity;        // see platform/disk_identity.h
    quint64 size = 0;        // disk size in bytes
};

// mbr-backups in the user's state folder; empty when that folder cannot be made.
QString mbr_backup_folder();

// Writes sectors (sector 0 among them), the record of disk_path (of
// disk_size bytes) and which of them are written to a new file in folder
// named after the disk and the time ("mbr-<disk>-<yyyyMMdd-HHmmss>[-N].bin"),
// synced to disk. 0 and *path, or -1 with *error. Never overwrites an
// existing file.
int save_mbr_backup(const QString &folder, const QString &disk_path, quint64 disk_size, const saved_sectors_t &sectors,
                    const QList<quint64> &written, QString *path, QString *error);

// Reads a backup; refuses a file whose sector 0 does not end in 55 AA (a
// disk that had no table may leave it zero only with a record), or whose
// record or sectors are damaged.
int load_mbr_backup(const QString &file, mbr_backup_s &out, QString *error);

// 0 when backup was taken from disk_path (same identity and size); -1 with
// *error otherwise. A backup without a record passes only with accept_bare.
int check_backup_disk(const mbr_backup_s &backup, const QString &disk_path, quint64 disk_size, bool accept_bare,
                      QString *error);
