// Putting saved table sectors back on the disk they were taken from.
#pragma once

#include <QString>

// Refuses a disk in use, and a backup whose record names another disk (or,
// unless accept_bare, a bare sector with no record). Puts back the sectors
// the repair wrote (sector 0 alone for older backups). The sectors being
// replaced are saved first to a new file in backup_folder (*replaced_backup),
// so a wrong restore can be undone too. 0, or -1 with *error.
int restore_sector_zero(const QString &disk_path, const QString &backup_file, bool accept_bare,
                        const QString &backup_folder, QString *replaced_backup, QString *error);
