// tarnrecovery-cli recover: scans a volume and restores the chosen files.
#include <QSet>
#include <cstdio>

#include "cli_command.h"
#include "found_result.h"
#include "found_scan.h"
#include "results/found_tree.h"
#include "results/recovery_writer.h"

namespace {

int run_recover(const cli_args_c &args)
{
    const QStringList unknown = args.unknown(
        {QStringLiteral("out"), QStringLiteral("all"), QStringLiteral("id"), QStringLiteral("flat"),
         QStringLiteral("deep"), QStringLiteral("image"), QStringLiteral("partition"),
         QStringLiteral("verbose"), QStringLiteral("result")});
    const bool all = args.has(QStringLiteral("all"));
    const QStringList id_words = args.values(QStringLiteral("id"));
    const QString out_dir = args.value(QStringLiteral("out"));
    const bool from_file = args.has(QStringLiteral("result"));
    if (!unknown.isEmpty() || args.positional().size() != (from_file ? 0 : 1) || out_dir.isEmpty() ||
        all == !id_words.isEmpty()) {
        fprintf(stderr, "tarnrecovery-cli recover: usage: recover {TARGET | --result FILE} --out DIR "
                        "[--all | --id ID ...] [--flat]\n");
        return cli_bad_target;
    }
    QSet<quint64> wanted;
    for (const QString &word : id_words) {
        bool ok = false;
        quint64 id = word.toULongLong(&ok, 0);
        if (!ok) {
            fprintf(stderr, "tarnrecovery-cli recover: not an id: %s\n", qPrintable(word));
            return cli_bad_target;
        }
        wanted.insert(id);
    }

    found_scan_s scan;
    int rc = from_file ? load_found_result(args, "recover", scan) : run_found_scan(args, "recover", scan);
    if (rc != cli_ok)
        return rc;

    QList<found_row_s> rows;
    QSet<quint64> seen;
    for (const found_row_s &row : found_rows(scan.tree)) {
        if (all || wanted.contains(row.row.id)) {
            rows.append(row);
            seen.insert(row.row.id);
        }
    }
    recovery_writer_c writer(scan.kind, *scan.engine, out_dir, !args.has(QStringLiteral("flat")));
    const recovery_report_s report = writer.write(rows);

    printf("%lld files written to %s\n", static_cast<long long>(report.written.size()), qPrintable(out_dir));
    int failures = 0;
    for (quint64 id : wanted) {
        if (!seen.contains(id)) {
            printf("failed: id %llu is not a found file\n", static_cast<unsigned long long>(id));
            ++failures;
        }
    }
    for (const recovery_failure_s &f : report.failed) {
        if (f.output.isEmpty())
            printf("failed: %s (id %llu)\n", qPrintable(f.row.path()),
                   static_cast<unsigned long long>(f.row.row.id));
        else
            printf("incomplete: %s (id %llu): %llu of %llu bytes kept in %s\n", qPrintable(f.row.path()),
                   static_cast<unsigned long long>(f.row.row.id),
                   static_cast<unsigned long long>(f.bytes_kept),
                   static_cast<unsigned long long>(f.row.row.size), qPrintable(f.output));
        ++failures;
    }
    return failures ? cli_failed : cli_ok;
}

const cli_command_registrar registrar({"recover", run_recover,
                                       "{TARGET | --result FILE} --out DIR [--all | --id ID ...] [--flat] "
                                       "[--image FILE] [--partition N] [--deep]",
                                       "scan a volume and restore found files into DIR, recreating their folders"});

} // namespace
