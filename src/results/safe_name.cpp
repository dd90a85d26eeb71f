#include "safe_name.h"

#include <QFileInfo>
#include <sys/stat.h>

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
    while (out.toUtf8().size() > max_name_bytes) {
        int cut = out.size() - 1;
        if (cut > 0 && out[cut].isLowSurrogate())
            --cut;
        out.truncate(cut);
    }
    return out;
}

// Whether anything (a dangling link included) is at path.
static bool occupied(const QString &path, bool *is_plain_dir)
{
    struct stat st;
    if (lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *is_plain_dir = S_ISDIR(st.st_mode);
    return true;
}

QString output_names_c::free_path(const QString &folder, const QString &name, bool folder_ok)
{
    const QString safe = safe_file_name(name);
    QString base = safe;
    QString ext;
    const qsizetype dot = safe.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        base = safe.left(dot);
        ext = safe.mid(dot);
    }
    for (int n = 1; n < 100000; ++n) {
        QString candidate = n == 1 ? safe : QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(ext);
        QString path = QDir(folder).filePath(candidate);
        if (taken_.contains(path))
            continue;
        bool plain_dir = false;
        if (occupied(path, &plain_dir) && !(folder_ok && plain_dir))
            continue;
        taken_.insert(path);
        return path;
    }
    return QString();
}

QString output_names_c::claim_file(const QString &folder, const QString &name)
{
    return free_path(folder, name, false);
}

QString output_names_c::claim_folder(const QString &parent, const QString &name)
{
    const QString key = parent + QLatin1Char('/') + name;
    auto known = folders_.constFind(key);
    if (known != folders_.cend())
        return known.value();
    QString path = free_path(parent, name, true);
    if (path.isEmpty() || !QDir().mkpath(path))
        return QString();
    folders_.insert(key, path);
    return path;
}
