#include "cli_filter.h"

#include <cstdio>

QSet<QString> cli_filter_options()
{
    return {QStringLiteral("name"),  QStringLiteral("type"),  QStringLiteral("min-size"), QStringLiteral("max-size"),
            QStringLiteral("since"), QStringLiteral("until"), QStringLiteral("state")};
}

QSet<QString> cli_filter_repeatable_options()
{
    return {QStringLiteral("name"), QStringLiteral("type"), QStringLiteral("state")};
}

const char *cli_filter_usage()
{
    return "[--name GLOB ...] [--type EXT|GROUP,...] [--min-size SIZE] [--max-size SIZE] [--since DATE] [--until DATE] "
           "[--state STATE,...]";
}

bool read_cli_filter(const char *command, const cli_args_c &args, row_filter_c *filter)
{
    row_filter_texts_s texts;
    texts.names = args.values(QStringLiteral("name"));
    texts.types = args.values(QStringLiteral("type"));
    texts.min_size = args.value(QStringLiteral("min-size"));
    texts.max_size = args.value(QStringLiteral("max-size"));
    texts.since = args.value(QStringLiteral("since"));
    texts.until = args.value(QStringLiteral("until"));
    texts.states = args.values(QStringLiteral("state"));
    QString error;
    if (filter->set(texts, &error))
        return true;
    fprintf(stderr, "tarnrecovery-cli %s: %s\n", command, qPrintable(error));
    return false;
}
