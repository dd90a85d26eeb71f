// tarnrecovery-cli: the recovery engines without the GUI.
#include <QCoreApplication>
#include <algorithm>
#include <QTextStream>
#include <cstdio>

#include "cli_command.h"
#include "cli_filter.h"
#include "records/type_groups.h"

static QList<cli_command_s> &registry()
{
    static QList<cli_command_s> commands;
    return commands;
}

cli_command_registrar::cli_command_registrar(const cli_command_s &command)
{
    registry().append(command);
}

const QList<cli_command_s> &cli_commands()
{
    return registry();
}

static void print_usage(FILE *to)
{
    QTextStream out(to);
    out << "usage: tarnrecovery-cli COMMAND [ARGS]\n\ncommands:\n";
    QList<cli_command_s> sorted = cli_commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const cli_command_s &a, const cli_command_s &b) { return qstrcmp(a.name, b.name) < 0; });
    for (const auto &c : sorted)
        out << "  " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
    QStringList groups;
    for (const type_group_s &group : type_groups())
        groups << group.key;
    out << "\ntype groups for --type: " << groups.join(QStringLiteral(", ")) << "\n";
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList words = app.arguments().mid(1);
    if (words.isEmpty() || words[0] == QLatin1String("--help") || words[0] == QLatin1String("-h")) {
        print_usage(words.isEmpty() ? stderr : stdout);
        return words.isEmpty() ? cli_bad_target : cli_ok;
    }
    const QString name = words.takeFirst();
    for (const auto &c : cli_commands()) {
        if (name == QLatin1String(c.name)) {
            cli_args_c args(words, cli_value_options(), cli_repeatable_options());
            if (!args.ok()) {
                fprintf(stderr, "tarnrecovery-cli %s: %s\n", c.name, qPrintable(args.error()));
                return cli_bad_target;
            }
            return c.run(args);
        }
    }
    fprintf(stderr, "tarnrecovery-cli: unknown command '%s'\n\n", qPrintable(name));
    print_usage(stderr);
    return cli_bad_target;
}

// Options that take a value, for every command alike.
QSet<QString> cli_value_options()
{
    return QSet<QString>{QStringLiteral("image"), QStringLiteral("partition"), QStringLiteral("out"),
                         QStringLiteral("id"),    QStringLiteral("save"),      QStringLiteral("result"),
                         QStringLiteral("drop"),  QStringLiteral("map"),       QStringLiteral("retries")} +
        cli_filter_options();
}

QSet<QString> cli_repeatable_options()
{
    return QSet<QString>{QStringLiteral("image"), QStringLiteral("id"), QStringLiteral("drop")} +
        cli_filter_repeatable_options();
}
