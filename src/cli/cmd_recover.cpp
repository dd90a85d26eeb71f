// tarnrecovery-cli recover: scans a volume and restores the chosen files.
#include <QSet>
#include <cstdio>

#include "cli_command.h"
#include "cli_filter.h"
#include "printable_text.h"
#include "session_target.h"

namespace {

bool parse_ids(const QStringList &words, QSet<quint64> &wanted)
{
    for (const QString &word : words) {
        bool ok = false;
        const quint64 id = word.toULongLong(&ok, 0);
        if (!ok) {
            fprintf(stderr, "tarnrecovery-cli recover: not an id: %s\n", qPrintable(word));
            return false;
        }
        wanted.insert(id);
    }
    return true;
}

// Prints what was not restored and why; returns how many rows failed.
int print_report(const recovery_report_s &report, const QString &out_dir)
{
    if (!report.refused.isEmpty()) {
        fprintf(stderr, "tarnrecovery-cli recover: nothing restored: %s\n", qPrintable(report.refused));
        return static_cast<int>(report.failed.size());
    }
    printf("%lld files written to %s\n", static_cast<long long>(report.written.size()), qPrintable(out_dir));
    // After a stop the user needs to know which files made it.
    if (!report.stopped.isEmpty())
        for (const QString &path : report.written)
            printf("written: %s\n", qPrintable(printable_text(path)));
    for (const found_row_s &row : report.skipped)
        printf("skipped: %s (id %llu): no data left to restore\n", qPrintable(printable_text(row.path())),
               static_cast<unsigned long long>(row.row.id));
    for (const recovery_failure_s &f : report.failed) {
        const QString path = printable_text(f.row.path());
        const auto id = static_cast<unsigned long long>(f.row.row.id);
        if (f.output.isEmpty())
            printf("failed: %s (id %llu): %s\n", qPrintable(path), id, qPrintable(f.reason));
        else if (f.zero_filled)
            printf("unreadable parts: %s (id %llu): written whole to %s: %s\n", qPrintable(path), id,
                   qPrintable(printable_text(f.output)), qPrintable(f.reason));
        else
            printf("incomplete: %s (id %llu): %llu of %llu bytes kept in %s: %s\n", qPrintable(path), id,
                   static_cast<unsigned long long>(f.bytes_kept), static_cast<unsigned long long>(f.row.row.size),
                   qPrintable(printable_text(f.output)), qPrintable(f.reason));
    }
    if (!report.stopped.isEmpty())
        fprintf(stderr, "tarnrecovery-cli recover: %s\n", qPrintable(report.stopped));
    return static_cast<int>(report.failed.size());
}

int run_recover(const cli_args_c &args)
{
    const QStringList unknown = args.unknown(
        QSet<QString>{QStringLiteral("out"), QStringLiteral("all"), QStringLiteral("id"), QStringLiteral("flat"),
                      QStringLiteral("deep"), QStringLiteral("image"), QStringLiteral("partition"),
                      QStringLiteral("verbose"), QStringLiteral("result"), QStringLiteral("allow-same-volume")} +
        cli_filter_options());
    const bool all = args.has(QStringLiteral("all"));
    const QString out_dir = args.value(QStringLiteral("out"));
    const bool from_file = args.has(QStringLiteral("result"));
    QSet<quint64> wanted;
    if (!unknown.isEmpty() || args.positional().size() != (from_file ? 0 : 1) || out_dir.isEmpty() ||
        all == !args.values(QStringLiteral("id")).isEmpty()) {
        fprintf(stderr,
                "tarnrecovery-cli recover: usage: recover {TARGET | --result FILE} --out DIR "
                "[--all | --id ID ...] [--flat] [--allow-same-volume] %s\n",
                cli_filter_usage());
        return cli_bad_target;
    }
    row_filter_c filter;
    if (!read_cli_filter("recover", args, &filter))
        return cli_bad_target;
    if (!parse_ids(args.values(QStringLiteral("id")), wanted))
        return cli_bad_target;

    // Checked before the scan, which can take hours on a large disk.
    auto elsewhere = [&](const volume_item_s &volume) {
        if (!folder_on_volume(out_dir, volume) || args.has(QStringLiteral("allow-same-volume")))
            return true;
        fprintf(stderr,
                "tarnrecovery-cli recover: %s lies on the scanned volume %s; restored files could "
                "overwrite the files still to be restored. Choose a folder on another volume, or add "
                "--allow-same-volume\n",
                qPrintable(out_dir), qPrintable(volume.device_name));
        return false;
    };
    scan_session_c session;
    const int rc = run_session_target(args, "recover", session, elsewhere);
    if (rc != cli_ok)
        return rc;

    // The filter narrows --all and --id alike; an id it leaves out is not an error.
    QList<found_row_s> rows;
    QSet<quint64> seen;
    for (const found_row_s &row : session.rows()) {
        if (!all && !wanted.contains(row.row.id))
            continue;
        seen.insert(row.row.id);
        if (filter.matches(row.row))
            rows.append(row);
    }
    const recovery_report_s report = session.restore(rows, out_dir, !args.has(QStringLiteral("flat")));
    int failures = print_report(report, out_dir);
    for (quint64 id : wanted) {
        if (!seen.contains(id)) {
            printf("failed: id %llu is not a found file\n", static_cast<unsigned long long>(id));
            ++failures;
        }
    }
    return failures ? cli_failed : cli_ok;
}

const cli_command_registrar
    registrar({"recover", run_recover,
               "{TARGET | --result FILE} --out DIR [--all | --id ID ...] [--flat] "
               "[--image FILE] [--partition N] [--deep] [--allow-same-volume] [--name GLOB ...] "
               "[--type EXT|GROUP,...] [--min-size SIZE] [--max-size SIZE] [--since DATE] "
               "[--until DATE] [--state STATE,...]",
               "scan a volume and restore found files into DIR, recreating their folders"});

} // namespace
