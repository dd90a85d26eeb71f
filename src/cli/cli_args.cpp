#include "cli_args.h"

cli_args_c::cli_args_c(const QStringList &words, const QSet<QString> &value_options,
                       const QSet<QString> &repeatable)
{
    for (int i = 0; i < words.size(); ++i) {
        const QString &w = words[i];
        if (w == QLatin1String("--")) {
            positional_ += words.mid(i + 1);
            break;
        }
        if (!w.startsWith(QLatin1String("--")) || w.size() == 2) {
            positional_ += w;
            continue;
        }
        QString name = w.mid(2), value;
        int eq = name.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        } else if (value_options.contains(name)) {
            if (i + 1 >= words.size()) {
                error_ = QStringLiteral("option --%1 needs a value").arg(name);
                return;
            }
            value = words[++i];
        }
        if (value_options.contains(name) && !repeatable.contains(name) && has(name)) {
            error_ = QStringLiteral("option --%1 is given more than once; give it once").arg(name);
            return;
        }
        options_.append({name, value});
    }
}

bool cli_args_c::has(const QString &option) const
{
    for (const auto &o : options_)
        if (o.first == option)
            return true;
    return false;
}

QString cli_args_c::value(const QString &option) const
{
    QStringList all = values(option);
    return all.isEmpty() ? QString() : all.last();
}

QStringList cli_args_c::values(const QString &option) const
{
    QStringList out;
    for (const auto &o : options_)
        if (o.first == option)
            out += o.second;
    return out;
}

QStringList cli_args_c::unknown(const QSet<QString> &allowed) const
{
    QStringList out;
    for (const auto &o : options_)
        if (!allowed.contains(o.first))
            out += QStringLiteral("--") + o.first;
    return out;
}
