// tarnrecovery-cli repair DISK [--yes]: searches the disk and rewrites its
// partition table from what was found, after showing it.
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "cli_command.h"
#include "cmd_partitions.h"
#include "partitions/mbr_backup.h"
#include "platform/le_bytes.h"
#include "platform/mbr_layout.h"
#include "results/format_size.h"

namespace {

QString chs_text(const uint8_t *p)
{
    chs_address_s a = decode_chs(p);
    return QStringLiteral("%1/%2/%3").arg(a.cylinder).arg(a.head).arg(a.sector);
}

void print_table(const sector_bytes_t &sector)
{
    QTextStream out(stdout);
    out << "Partition table to write:\n";
    out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7\n")
               .arg(QStringLiteral("Entry"), 5).arg(QStringLiteral("Boot"), 4).arg(QStringLiteral("Type"), 4)
               .arg(QStringLiteral("Start"), 12).arg(QStringLiteral("Sectors"), 12)
               .arg(QStringLiteral("CHS start"), 12).arg(QStringLiteral("CHS end"), 12);
    for (size_t k = 0; k < mbr_entry_count; ++k) {
        const uint8_t *e = sector.data() + mbr_entries_offset + k * mbr_entry_size;
        if (e[mbr_entry_type] == mbr_type_empty) {
            out << QStringLiteral("%1  (empty)\n").arg(k + 1, 5);
            continue;
        }
        uint32_t count = le32_at(e + mbr_entry_sector_count);
        out << QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8\n")
                   .arg(k + 1, 5).arg(e[mbr_entry_status] == mbr_status_active ? "*" : "", 4)
                   .arg(QStringLiteral("0x%1").arg(e[mbr_entry_type], 2, 16, QLatin1Char('0')), 4)
                   .arg(le32_at(e + mbr_entry_first_lba), 12).arg(count, 12)
                   .arg(chs_text(e + mbr_entry_first_chs), 12).arg(chs_text(e + mbr_entry_last_chs), 12)
                   .arg(format_size(static_cast<quint64>(count) * 512));
    }
}

int run_repair(const cli_args_c &args)
{
    partition_repair_c search;
    int exit_code = cli_ok;
    if (!run_disk_search(args, "repair", QStringLiteral("yes"), search, &exit_code))
        return exit_code;
    const drive_item_s drive = search.drive();
    QString error;
    const int found = static_cast<int>(search.rows().size());
    sector_bytes_t preview{};
    if (search.preview_repair(preview, &error) != 0) {
        fprintf(stderr, "tarnrecovery-cli repair: %s\n", qPrintable(error));
        return cli_failed;
    }
    print_table(preview);
    if (found > static_cast<int>(mbr_entry_count))
        printf("%d partitions were found; only the first %zu fit in the table.\n", found, mbr_entry_count);
    if (!args.has(QStringLiteral("yes"))) {
        printf("Nothing written. Run again with --yes to write this table to sector 0 of %s.\n",
               qPrintable(drive.name));
        return cli_ok;
    }
    QString backup;
    int rc = search.repair(mbr_backup_folder(), &backup, &error);
    if (!backup.isEmpty())
        printf("The old sector 0 was saved to %s\n", qPrintable(backup));
    if (rc != 0) {
        fprintf(stderr, "tarnrecovery-cli repair: %s\n", qPrintable(error));
        return cli_failed;
    }
    printf("Sector 0 of %s rewritten. Undo with: tarnrecovery-cli restore-mbr %s %s\n", qPrintable(drive.name),
           qPrintable(drive.name), qPrintable(backup));
    if (!QFileInfo(drive.name).isFile())
        printf("The system reads the new table after `blockdev --rereadpt %s` or when the disk is attached again.\n",
               qPrintable(drive.name));
    return cli_ok;
}

const cli_command_registrar registrar({"repair", run_repair, "DISK [--yes]",
                                       "search DISK and show the partition table it would write; --yes writes it"});

} // namespace
