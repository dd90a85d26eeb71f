#include "mbr_restore.h"

#include "mbr_backup.h"
#include "sector_zero.h"

int restore_sector_zero(const QString &disk_path, const QString &backup_file, bool accept_bare,
                        const QString &backup_folder, QString *replaced_backup, QString *error)
{
    mbr_backup_s backup;
    if (load_mbr_backup(backup_file, backup, error) != 0 || check_disk_not_in_use(disk_path, error) != 0)
        return -1;
    auto put_back = [&](block_device_c &disk, sector_writes_t &writes, QString *why) {
        if (check_backup_disk(backup, disk_path, disk.size(), accept_bare, why) != 0)
            return -1;
        for (quint64 lba : backup.written)
            writes.append({lba, QByteArray(reinterpret_cast<const char *>(backup.sectors[lba].data()), 512)});
        return 0;
    };
    return rewrite_sectors(disk_path, put_back, backup_folder, replaced_backup, error);
}
