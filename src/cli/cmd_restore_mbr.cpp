// tarnrecovery-cli restore-mbr DISK BACKUP [--legacy-backup]: puts the table
// sectors a repair saved back on the disk they were taken from.
#include <cstdio>

#include "cli_command.h"
#include "core/devices/drive_row.h"
#include "core/partitions/mbr_backup.h"
#include "core/partitions/mbr_restore.h"
#include "target.h"

namespace {

int run_restore_mbr(const cli_args_c &args)
{
    const QString legacy = QStringLiteral("legacy-backup");
    if (args.positional().size() != 2 || !args.unknown({legacy}).isEmpty()) {
        fprintf(stderr, "usage: tarnrecovery-cli restore-mbr DISK BACKUP [--legacy-backup]\n");
        return cli_bad_target;
    }
    drive_item_s drive;
    QString error;
    int disk_number = -1;
    if (!resolve_disk(args.positional()[0], disk_number, &error) || !drive_row_for_disk(disk_number, drive, &error)) {
        fprintf(stderr, "tarnrecovery-cli restore-mbr: %s\n", qPrintable(error));
        return cli_bad_target;
    }
    const QString disk = drive.name;
    QString backup;
    int rc = restore_sector_zero(disk, args.positional()[1], args.has(legacy), mbr_backup_folder(), &backup, &error);
    if (!backup.isEmpty())
        printf("The replaced table sectors were saved to %s\n", qPrintable(backup));
    if (rc != 0) {
        fprintf(stderr, "tarnrecovery-cli restore-mbr: %s\n", qPrintable(error));
        return cli_failed;
    }
    printf("The table sectors of %s restored from %s\n", qPrintable(disk), qPrintable(args.positional()[1]));
    return cli_ok;
}

const cli_command_registrar
    registrar({"restore-mbr", run_restore_mbr, "DISK BACKUP [--legacy-backup]",
               "restore the table sectors (MBR, EBRs, GPT headers and arrays) saved by repair to the disk they were "
               "taken from; a bare 512-byte backup (which records no disk) only with --legacy-backup"});

} // namespace
