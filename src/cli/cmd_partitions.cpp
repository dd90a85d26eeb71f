// tarnrecovery-cli partitions DISK [--json]: the lost-partition search.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cstdio>

#include "cli_command.h"
#include "cmd_partitions.h"
#include "core/devices/drive_row.h"
#include "progress_line.h"
#include "target.h"
#include "records/format_size.h"

namespace {

quint64 row_bytes(const partition_item_s &row)
{
    return (row.end_sector - row.start_sector + 1) * 512;
}

void print_rows(const QList<partition_item_s> &rows)
{
    QTextStream out(stdout);
    out << QStringLiteral("%1  %2  %3  %4  %5\n")
               .arg(QStringLiteral("#"), 2)
               .arg(QStringLiteral("File system"), -11)
               .arg(QStringLiteral("Start"), 12)
               .arg(QStringLiteral("End"), 12)
               .arg(QStringLiteral("Size"), 10);
    for (int i = 0; i < rows.size(); ++i) {
        const auto &r = rows[i];
        out << QStringLiteral("%1  %2  %3  %4  %5\n")
                   .arg(i + 1, 2)
                   .arg(r.file_system, -11)
                   .arg(r.start_sector, 12)
                   .arg(r.end_sector, 12)
                   .arg(format_size(row_bytes(r)), 10);
    }
    if (rows.isEmpty())
        out << "No partition found.\n";
}

void print_json(const drive_item_s &drive, const QList<partition_item_s> &rows)
{
    QJsonArray list;
    for (int i = 0; i < rows.size(); ++i) {
        const auto &r = rows[i];
        list.append(QJsonObject{{"number", i + 1},
                                {"file_system", r.file_system},
                                {"type_id", r.type_id},
                                {"start_sector", static_cast<qint64>(r.start_sector)},
                                {"end_sector", static_cast<qint64>(r.end_sector)},
                                {"size_bytes", static_cast<qint64>(row_bytes(r))},
                                {"size", format_size(row_bytes(r))}});
    }
    QJsonObject doc{{"disk", drive.name}, {"size_bytes", static_cast<qint64>(drive.size)}, {"partitions", list}};
    fputs(QJsonDocument(doc).toJson(QJsonDocument::Indented).constData(), stdout);
}

int run_partitions(const cli_args_c &args)
{
    partition_repair_c search;
    int exit_code = cli_ok;
    if (!run_disk_search(args, "partitions", {QStringLiteral("json")}, search, &exit_code))
        return exit_code;
    const QList<partition_item_s> rows = search.rows();
    if (args.has(QStringLiteral("json")))
        print_json(search.drive(), rows);
    else
        print_rows(rows);
    return cli_ok;
}

} // namespace

bool run_disk_search(const cli_args_c &args, const char *command, const QSet<QString> &allowed_options,
                     partition_repair_c &search, int *exit_code)
{
    if (args.positional().size() != 1 || !args.unknown(allowed_options).isEmpty()) {
        for (const cli_command_s &c : cli_commands())
            if (qstrcmp(c.name, command) == 0)
                fprintf(stderr, "usage: tarnrecovery-cli %s %s\n", command, c.usage);
        *exit_code = cli_bad_target;
        return false;
    }
    drive_item_s drive;
    QString error;
    int disk_number = -1;
    if (!resolve_disk(args.positional()[0], disk_number, &error) || !drive_row_for_disk(disk_number, drive, &error)) {
        fprintf(stderr, "tarnrecovery-cli %s: %s\n", command, qPrintable(error));
        *exit_code = cli_bad_target;
        return false;
    }
    progress_line_c line;
    search.search_and_wait(drive, [&](double p) { line.update(p, QStringLiteral("searching %1").arg(drive.name)); });
    line.finish();
    if (!search.open_error().isEmpty()) {
        fprintf(stderr, "tarnrecovery-cli %s: %s\n", command, qPrintable(search.open_error()));
        *exit_code = cli_failed;
        return false;
    }
    return true;
}

namespace {

const cli_command_registrar registrar({"partitions", run_partitions, "DISK [--json]",
                                       "search a whole disk or disk image for lost partitions (FAT, NTFS, exFAT, ext2/3/4, swap and what "
                                       "the system's probers know)"});

} // namespace
