// tarnrecovery-cli scan: lists what a scan finds, folder by folder.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cstdio>

#include "cli_command.h"
#include "found_result.h"
#include "found_scan.h"
#include "results/found_tree.h"

namespace {

QString date_text(qint64 seconds)
{
    if (seconds <= 0)
        return QStringLiteral("-");
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void print_folder(QTextStream &out, const found_folder_s &folder, const QString &path)
{
    out << path << "\n";
    for (const recovery_item_s &row : folder.files)
        out << QStringLiteral("    %1  %2  %3  %4  0x%5  %6\n")
                   .arg(row.id, 10)
                   .arg(format_size(row.size), 9)
                   .arg(date_text(row.date1), 19)
                   .arg(date_text(row.date2), 19)
                   .arg(row.flags, 2, 16, QLatin1Char('0'))
                   .arg(row.name);
    for (const found_folder_s &sub : folder.folders)
        print_folder(out, sub, (path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/')) + sub.name);
}

void print_json(const found_folder_s &tree)
{
    QJsonArray rows;
    for (const found_row_s &r : found_rows(tree)) {
        QJsonObject o;
        o[QStringLiteral("id")] = static_cast<qint64>(r.row.id);
        o[QStringLiteral("path")] = r.path();
        o[QStringLiteral("name")] = r.row.name;
        o[QStringLiteral("size")] = static_cast<qint64>(r.row.size);
        o[QStringLiteral("date1")] = r.row.date1;
        o[QStringLiteral("date2")] = r.row.date2;
        o[QStringLiteral("flags")] = static_cast<qint64>(r.row.flags);
        rows.append(o);
    }
    const QByteArray text = QJsonDocument(rows).toJson(QJsonDocument::Indented);
    fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
}

int run_scan(const cli_args_c &args)
{
    const QStringList unknown = args.unknown({QStringLiteral("json"), QStringLiteral("deep"),
                                              QStringLiteral("image"), QStringLiteral("partition"),
                                              QStringLiteral("verbose"), QStringLiteral("save")});
    if (!unknown.isEmpty() || args.positional().size() != 1) {
        fprintf(stderr, "tarnrecovery-cli scan: usage: scan TARGET [--json] [--deep [--save FILE]]\n");
        return cli_bad_target;
    }
    found_scan_s scan;
    int rc = run_found_scan(args, "scan", scan);
    if (rc != cli_ok)
        return rc;
    if (args.has(QStringLiteral("json"))) {
        print_json(scan.tree);
    } else {
        QTextStream out(stdout);
        out << "     id        size  modified             created              flags name\n";
        print_folder(out, scan.tree, QStringLiteral("/"));
        out << found_rows(scan.tree).size() << " files found\n";
    }
    if (args.has(QStringLiteral("save")))
        return save_found_result(scan, args.value(QStringLiteral("save")));
    return cli_ok;
}

const cli_command_registrar registrar({"scan", run_scan,
                                       "TARGET [--image FILE] [--partition N] [--json] [--deep [--save FILE]] [--verbose]",
                                       "scan a volume and list the deleted files and folders found"});

} // namespace
