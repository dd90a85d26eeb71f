#include "cli_table.h"

#include <QSet>
#include <algorithm>
#include <cstdio>

#include "platform/disks.h"
#include "target.h"

QString text_table_c::text() const
{
    QList<int> widths;
    for (const QStringList &row : rows_)
        for (int c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.append(0);
            widths[c] = std::max(widths[c], static_cast<int>(row[c].size()));
        }
    QString out;
    for (const QStringList &row : rows_) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 == row.size() ? row[c] : row[c].leftJustified(widths[c] + 2);
        out += line + QLatin1Char('\n');
    }
    return out;
}

bool prepare_listing(const char *command, const cli_args_c &args)
{
    QStringList unknown = args.unknown({QStringLiteral("image"), QStringLiteral("json")});
    if (!unknown.isEmpty()) {
        fprintf(stderr, "tarnrecovery-cli %s: unknown option %s\n", command, qPrintable(unknown.first()));
        return false;
    }
    if (!args.positional().isEmpty()) {
        fprintf(stderr, "tarnrecovery-cli %s: unexpected argument '%s'\n", command,
                qPrintable(args.positional().first()));
        return false;
    }
    return add_cli_images(args);
}

void note_raw_access(const char *what_is_missing)
{
    if (!can_read_raw_devices())
        fprintf(stderr, "note: this user cannot read raw disks (run as root or join the disk group): %s\n",
                what_is_missing);
}
