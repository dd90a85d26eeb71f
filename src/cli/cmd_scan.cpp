// tarnrecovery-cli scan: lists what a scan finds, folder by folder.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "cli_command.h"
#include "cli_filter.h"
#include "printable_text.h"
#include "records/format_size.h"
#include "records/local_date.h"
#include "core/session/save_target.h"
#include "session_target.h"

namespace {

QJsonValue iso_date(qint64 seconds)
{
    if (seconds == 0)
        return QJsonValue::Null;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

// Blanks to width (text right-aligned), or to -width (left-aligned), as
// QString::arg pads. A listing's lines are built as bytes, field by field:
// a chain of arg() calls, and a string for each field, cost more than the
// scan on a large listing.
void append_padded(std::string &line, const char *text, int size, int width)
{
    const int blanks = (width < 0 ? -width : width) - size;
    if (width > 0 && blanks > 0)
        line.append(static_cast<size_t>(blanks), ' ');
    line.append(text, static_cast<size_t>(size));
    if (width < 0 && blanks > 0)
        line.append(static_cast<size_t>(blanks), ' ');
}

void append_number(std::string &line, quint64 value, int width, int base)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, base).ptr;
    append_padded(line, digits, static_cast<int>(end - digits), width);
}

// "-" when the engine gave no date.
void append_date(std::string &line, qint64 seconds)
{
    char text[row_date_room];
    if (seconds <= 0)
        append_padded(line, "-", 1, 19);
    else
        append_padded(line, text, format_row_date_time_latin1(seconds, text), 19);
}

void append_utf8(std::string &line, const QString &text)
{
    // Plain printable ASCII, most names, is its own text.
    const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7F && c.unicode() != u'\\';
    });
    if (plain) {
        for (QChar c : text)
            line += static_cast<char>(c.unicode());
        return;
    }
    const QByteArray bytes = printable_text(text).toUtf8();
    line.append(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void append_row_line(std::string &lines, const recovery_item_s &row)
{
    lines += "    ";
    append_number(lines, row.id, 10, 10);
    lines += "  ";
    char size[format_size_room];
    append_padded(lines, size, format_size_latin1(row.size, size), 9);
    lines += "  ";
    append_date(lines, row.modified());
    lines += "  ";
    append_date(lines, row.created());
    lines += row.attributes() < 16 ? "  0x0" : "  0x";
    append_number(lines, row.attributes(), 0, 16);
    lines += "  ";
    const QByteArray state = recovery_state_key(row.state).toLatin1();
    append_padded(lines, state.constData(), static_cast<int>(state.size()), -18);
    lines += "  ";
    append_utf8(lines, row.name);
    if (row.size_capped)
        lines += "  (size cut to the data left)";
    lines += '\n';
}

// Folder by folder; with a filter set, only the folders that hold a match.
void print_text(const found_folder_s &tree, const row_filter_c &filter)
{
    fputs("     id        size  modified             created              flags  state               name\n", stdout);
    std::string lines;
    walk_found_folders(tree, [&](const found_folder_s &folder, const QStringList &names) {
        lines.clear();
        for (const recovery_item_s &row : folder.files)
            if (filter.matches(row))
                append_row_line(lines, row);
        if (!filter.empty() && lines.empty())
            return;
        std::string path;
        append_utf8(path, QLatin1Char('/') + names.join(QLatin1Char('/')));
        path += '\n';
        fwrite(path.data(), 1, path.size(), stdout);
        fwrite(lines.data(), 1, lines.size(), stdout);
    });
}

void print_json(const QList<found_row_s> &rows)
{
    QJsonArray list;
    for (const found_row_s &r : rows) {
        QJsonObject o;
        o[QStringLiteral("id")] = static_cast<qint64>(r.row.id);
        o[QStringLiteral("path")] = r.path();
        o[QStringLiteral("name")] = r.row.name;
        o[QStringLiteral("size")] = static_cast<qint64>(r.row.size);
        o[QStringLiteral("modified")] = iso_date(r.row.modified());
        o[QStringLiteral("created")] = iso_date(r.row.created());
        o[QStringLiteral("deleted")] = r.row.deleted != 0;
        o[QStringLiteral("state")] = recovery_state_key(r.row.state);
        o[QStringLiteral("attributes")] = static_cast<qint64>(r.row.attributes());
        if (r.row.size_capped)
            o[QStringLiteral("size_capped")] = true;
        list.append(o);
    }
    const QByteArray text = QJsonDocument(list).toJson(QJsonDocument::Indented);
    fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
}

int run_scan(const cli_args_c &args)
{
    const QStringList unknown =
        args.unknown(QSet<QString>{QStringLiteral("json"), QStringLiteral("deep"), QStringLiteral("image"),
                                   QStringLiteral("partition"), QStringLiteral("verbose"), QStringLiteral("save")} +
                     cli_filter_options());
    if (!unknown.isEmpty() || args.positional().size() != 1) {
        fprintf(stderr, "tarnrecovery-cli scan: usage: scan TARGET [--json] [--deep [--save FILE]] %s\n",
                cli_filter_usage());
        return cli_bad_target;
    }
    row_filter_c filter;
    if (!read_cli_filter("scan", args, &filter))
        return cli_bad_target;
    if (args.has(QStringLiteral("save")) && !args.has(QStringLiteral("deep"))) {
        fprintf(stderr, "tarnrecovery-cli scan: --save keeps deep-scan results only; add --deep\n");
        return cli_bad_target;
    }
    // Checked before the scan, which can take hours on a large disk.
    const bool saving = args.has(QStringLiteral("save"));
    const QString save = args.value(QStringLiteral("save"));
    auto savable = [&](const volume_item_s &volume) {
        QString why;
        if (!saving || may_save_scan_file(save, volume, &why))
            return true;
        fprintf(stderr, "tarnrecovery-cli scan: %s\n", qPrintable(why));
        return false;
    };
    scan_session_c session;
    const int rc = run_session_target(args, "scan", session, savable);
    if (rc != cli_ok)
        return rc;
    // The saved result keeps every find; the filter narrows what is listed.
    const QList<found_row_s> rows = filter.apply(session.rows());
    if (args.has(QStringLiteral("json"))) {
        print_json(rows);
    } else {
        print_text(session.tree(), filter);
        printf("%lld files found\n", static_cast<long long>(rows.size()));
    }
    if (!saving)
        return cli_ok;
    if (!session.save_result(save)) {
        fprintf(stderr, "tarnrecovery-cli scan: %s not written (%s)\n", qPrintable(save), qPrintable(session.error()));
        return cli_failed;
    }
    fprintf(stderr, "scan result saved to %s\n", qPrintable(save));
    return cli_ok;
}

const cli_command_registrar
    registrar({"scan", run_scan,
               "TARGET [--image FILE] [--partition N] [--json] [--deep [--save FILE]] [--verbose] "
               "[--name GLOB ...] [--type EXT|GROUP,...] [--min-size SIZE] [--max-size SIZE] "
               "[--since DATE] [--until DATE] [--state STATE,...]",
               "scan a volume and list the deleted files and folders found"});

} // namespace
