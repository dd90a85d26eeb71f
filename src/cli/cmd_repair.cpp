// tarnrecovery-cli repair DISK [--yes] [--drop N]...: searches the disk and
// rewrites its partition table (MBR or GPT) from what was found, after showing the table
// on the disk now beside the one it would write.
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "cli_command.h"
#include "cmd_partitions.h"
#include "core/partitions/mbr_backup.h"
#include "core/partitions/table_repair.h"
#include "platform/mbr_layout.h"
#include "platform/partition_table.h"
#include "records/format_size.h"

namespace {

QString kind_text(const partition_entry_s &p)
{
    if (p.gpt_type != guid_bytes_t{})
        return QString::fromStdString(format_guid(p.gpt_type));
    const QString role = p.extended ? QStringLiteral("extended") : p.logical ? QStringLiteral("logical")
                                                                             : QStringLiteral("primary");
    return QStringLiteral("0x%1 %2").arg(p.mbr_type, 2, 16, QLatin1Char('0')).arg(role);
}

QString row_text(const partition_entry_s &p)
{
    return QStringLiteral("%1  %2  %3  %4  %5  %6\n")
        .arg(p.number, 5)
        .arg(p.bootable ? "*" : "", 4)
        .arg(kind_text(p), -13)
        .arg(p.first_sector, 12)
        .arg(p.sector_count, 12)
        .arg(format_size(p.sector_count * 512));
}

const char *action_text(table_action_e action)
{
    switch (action) {
    case table_action_e::new_mbr:
        return "a new MBR";
    case table_action_e::new_gpt:
        return "a new GUID partition table (both copies and a protective MBR)";
    case table_action_e::gpt_from_backup:
        return "the primary GUID partition table, rebuilt from its whole backup copy";
    case table_action_e::gpt_from_primary:
        return "the backup GUID partition table, rebuilt from its whole primary copy";
    case table_action_e::protective_mbr:
        return "the protective MBR of the whole GUID partition table";
    }
    return "";
}

void print_tables(const table_repair_plan_s &plan)
{
    QTextStream out(stdout);
    const QString header = QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                               .arg(QStringLiteral("Entry"), 5)
                               .arg(QStringLiteral("Boot"), 4)
                               .arg(QStringLiteral("Type"), -13)
                               .arg(QStringLiteral("Start"), 12)
                               .arg(QStringLiteral("Sectors"), 12)
                               .arg(QStringLiteral("Size"));
    out << "Partition table now on " << plan.drive.name << ":\n" << header;
    for (const partition_entry_s &p : plan.current.partitions)
        out << row_text(p);
    if (plan.current.partitions.empty())
        out << "  (no partition table)\n";
    out << "Partition table to write (" << action_text(plan.action) << "):\n" << header;
    for (const partition_entry_s &p : plan.new_table)
        out << row_text(p);
    for (const partition_entry_s &p : plan.dropped)
        out << "Partition " << p.number << " of the current table is dropped (--drop " << p.number << ").\n";
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
        printf("Nothing written. Run again with --yes to write this table to %s.\n", qPrintable(disk));
        return cli_ok;
    }
    QString backup;
    int rc = apply_table_repair(plan, mbr_backup_folder(), &backup, &error);
    if (!backup.isEmpty())
        printf("The old table sectors were saved to %s\n", qPrintable(backup));
    if (rc != 0) {
        fprintf(stderr, "tarnrecovery-cli repair: %s\n", qPrintable(error));
        return cli_failed;
    }
    printf("The partition table of %s rewritten. Undo with: tarnrecovery-cli restore-mbr %s %s\n", qPrintable(disk),
           qPrintable(disk), qPrintable(backup));
    if (!QFileInfo(disk).isFile())
        printf("The system reads the new table after `blockdev --rereadpt %s` or when the disk is attached again.\n",
               qPrintable(disk));
    return cli_ok;
}

const cli_command_registrar registrar(
    {"repair", run_repair, "DISK [--yes] [--drop N]...",
     "search DISK and show its partition table beside the one it would write (MBR with logical partitions, or "
     "GPT); --yes writes it (refused on disks in use, whole-disk file systems, tables that already match and "
     "tables that would lose a partition not named with --drop)"});

} // namespace
