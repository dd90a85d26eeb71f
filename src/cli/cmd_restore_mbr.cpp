// tarnrecovery-cli restore-mbr DISK BACKUP: puts a saved sector 0 back.
#include <cstdio>

#include "cli_command.h"
#include "devices/drive_row.h"
#include "partitions/mbr_backup.h"
#include "target.h"

namespace {

int run_restore_mbr(const cli_args_c &args)
{
    if (args.positional().size() != 2 || !args.unknown({}).isEmpty()) {
        fprintf(stderr, "usage: tarnrecovery-cli restore-mbr DISK BACKUP\n");
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
    sector_bytes_t saved{};
    if (load_mbr_backup(args.positional()[1], saved, &error) != 0) {
        fprintf(stderr, "tarnrecovery-cli restore-mbr: %s\n", qPrintable(error));
        return cli_bad_target;
    }
    auto put_back = [&](const sector_bytes_t &, sector_bytes_t &next, QString *) {
        next = saved;
        return 0;
    };
    // The sector being replaced is itself kept, so a wrong restore can be undone.
    QString backup;
    int rc = rewrite_sector_zero(disk, put_back, mbr_backup_folder(), &backup, &error);
    if (!backup.isEmpty())
        printf("The replaced sector 0 was saved to %s\n", qPrintable(backup));
    if (rc != 0) {
        fprintf(stderr, "tarnrecovery-cli restore-mbr: %s\n", qPrintable(error));
        return cli_failed;
    }
    printf("Sector 0 of %s restored from %s\n", qPrintable(disk), qPrintable(args.positional()[1]));
    return cli_ok;
}

const cli_command_registrar registrar({"restore-mbr", run_restore_mbr, "DISK BACKUP",
                                       "write a sector 0 backup made by repair back to DISK"});

} // namespace
