// tarnrecovery-cli repair DISK [--yes] [--drop N]...: searches the disk and
// rewrites its partition table from what was found, after showing the table
// on the disk now beside the one it would write.
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "cli_command.h"
#include "cmd_partitions.h"
#include "core/partitions/mbr_backup.h"
#include "core/partitions/table_repair.h"
#include "platform/mbr_layout.h"
#include "records/format_size.h"

namespace {

QString row_text(QString number, bool boot, int type, quint64 start, quint64 count)
{
    return QStringLiteral("%1  %2  %3  %4  %5  %6\n")
        .arg(number, 5)
        .arg(boot ? "*" : "", 4)
        .arg(QStringLiteral("0x%1").arg(type, 2, 16, QLatin1Char('0')), 4)
        .arg(start, 12)
        .arg(count, 12)
        .arg(format_size(count * 512));
}

void print_tables(const table_repair_plan_s &plan)
{
    QTextStream out(stdout);
    const QString header = QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                               .arg(QStringLiteral("Entry"), 5)
                               .arg(QStringLiteral("Boot"), 4)
                               .arg(QStringLiteral("Type"), 4)
                               .arg(QStringLiteral("Start"), 12)
                               .arg(QStringLiteral("Sectors"), 12)
                               .arg(QStringLiteral("Size"));
    out << "Partition table now on " << plan.drive.name << ":\n" << header;
    for (const partition_entry_s &p : plan.current.partitions)
        out << row_text(QString::number(p.number), p.bootable, p.mbr_type, p.first_sector, p.sector_count);
    if (plan.current.partitions.empty())
        out << "  (no partition table)\n";
    out << "Partition table to write:\n" << header;
    for (size_t k = 0; k < mbr_entry_count; ++k) {
        const mbr_entry_fields_s e = decode_mbr_entry(plan.new_sector.data(), k);
        out << (e.used() ? row_text(QString::number(k + 1), e.status == mbr_status_active, e.type, e.first_lba,
                                    e.sector_count)
                         : QStringLiteral("%1  (empty)\n").arg(k + 1, 5));
    }
    for (const partition_entry_s &p : plan.dropped)
        out << "Partition " << p.number << " of the current table is dropped (--drop " << p.number << ").\n";
    if (plan.rows_left_out > 0)
        out << plan.rows.size() << " partitions were found; only the first " << mbr_entry_count
            << " fit in the table.\n";
}

int refuse(const table_repair_plan_s &plan, const QString &why)
{
    fprintf(stderr, "tarnrecovery-cli repair: refused, nothing written: %s\n", qPrintable(why));
    bool unnamed = false;
    for (const partition_entry_s &p : plan.dropped)
        unnamed = unnamed || !plan.drop.contains(p.number);
    if (unnamed)
        fprintf(stderr, "Name each partition you agree to lose with --drop N to write the table anyway.\n");
    return cli_failed;
}

int run_repair(const cli_args_c &args)
{
    partition_repair_c search;
    int exit_code = cli_ok;
    if (!run_disk_search(args, "repair", {QStringLiteral("yes"), QStringLiteral("drop")}, search, &exit_code))
        return exit_code;
    QList<int> drop;
    for (const QString &word : args.values(QStringLiteral("drop"))) {
        bool ok = false;
        drop.append(word.toInt(&ok));
        if (!ok || drop.last() <= 0) {
            fprintf(stderr, "tarnrecovery-cli repair: --drop needs a partition number, not '%s'\n", qPrintable(word));
            return cli_bad_target;
        }
    }
    table_repair_plan_s plan;
    QString error;
    if (plan_table_repair(search.drive(), search.rows(), drop, plan, &error) != 0)
        return refuse(plan, error);
    print_tables(plan);
    const QString disk = plan.drive.name;
    if (!args.has(QStringLiteral("yes"))) {
        printf("Nothing written. Run again with --yes to write this table to sector 0 of %s.\n", qPrintable(disk));
        return cli_ok;
    }
    QString backup;
    int rc = apply_table_repair(plan, mbr_backup_folder(), &backup, &error);
    if (!backup.isEmpty())
        printf("The old sector 0 was saved to %s\n", qPrintable(backup));
    if (rc != 0) {
        fprintf(stderr, "tarnrecovery-cli repair: %s\n", qPrintable(error));
        return cli_failed;
    }
    printf("Sector 0 of %s rewritten. Undo with: tarnrecovery-cli restore-mbr %s %s\n", qPrintable(disk),
           qPrintable(disk), qPrintable(backup));
    if (!QFileInfo(disk).isFile())
        printf("The system reads the new table after `blockdev --rereadpt %s` or when the disk is attached again.\n",
               qPrintable(disk));
    return cli_ok;
}

const cli_command_registrar registrar(
    {"repair", run_repair, "DISK [--yes] [--drop N]...",
     "search DISK and show its partition table beside the one it would write; --yes writes it (refused on GPT "
     "disks, disks in use, whole-disk file systems and tables that would lose a partition not named with --drop)"});

} // namespace
