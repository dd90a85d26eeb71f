#include "safe_name.h"

#include <QFile>

static constexpr int max_name_bytes = 240; // room for a " (n)" suffix under 255

QString safe_file_name(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            out += c;
            out += name[++i];
            continue;
        }
        bool bad = c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char('/') || c == QLatin1Char('\\') ||
            c.isSurrogate();
        out += bad ? QLatin1Char('_') : c;
    }
    if (out.isEmpty())
        return QStringLiteral("unnamed");
    if (out == QLatin1String(".") || out == QLatin1String(".."))
        return QString(out.size(), QLatin1Char('_'));
    if (out.startsWith(QLatin1Char(':')))
        out[0] = QLatin1Char('_');
    while (out.toUtf8().size() > max_name_bytes) {
        int cut = out.size() - 1;
        if (cut > 0 && out[cut].isLowSurrogate())
            --cut;
        out.truncate(cut);
    }
    return out;
}

QString output_names_c::candidate(const QString &safe, int n) const
{
    if (n == 1)
        return safe;
    const qsizetype dot = safe.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return QStringLiteral("%1 (%2)").arg(safe).arg(n);
    return QStringLiteral("%1 (%2)%3").arg(safe.left(dot)).arg(n).arg(safe.mid(dot));
}

QString output_names_c::claim_file(output_folder_c::folder_t folder, const QString &name)
{
    const QString safe = safe_file_name(name);
    for (int n = 1; n < 100000; ++n) {
        const QString name_n = candidate(safe, n);
        const key_t key{folder, name_n};
        if (taken_.contains(key) || out_.look(folder, QFile::encodeName(name_n).toStdString()) !=
                output_folder_c::entry_e::none)
            continue;
        taken_.insert(key);
        return name_n;
    }
    return QString();
}

bool output_names_c::claim_folder(output_folder_c::folder_t parent, const QString &name,
                                  output_folder_c::folder_t *folder)
{
    const key_t wanted{parent, name};
    auto known = folders_.constFind(wanted);
    if (known != folders_.cend()) {
        *folder = known.value();
        return true;
    }
    const QString safe = safe_file_name(name);
    for (int n = 1; n < 1000; ++n) {
        const QString name_n = candidate(safe, n);
        const key_t key{parent, name_n};
        if (auto same = folders_.constFind(key); same != folders_.cend()) {
            *folder = same.value();
            folders_.insert(wanted, *folder);
            return true;
        }
        // A file of ours, or anything not a plain folder, is never used as one.
        if (taken_.contains(key))
            continue;
        if (!out_.make_folder(parent, QFile::encodeName(name_n).toStdString(), folder))
            continue;
        taken_.insert(key);
        folders_.insert(key, *folder);
        folders_.insert(wanted, *folder);
        return true;
    }
    return false;
}
