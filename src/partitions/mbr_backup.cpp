#include "mbr_backup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstring>
#include <unistd.h>

#include "platform/user_dirs.h"

namespace {

// "/dev/sdb" -> "dev_sdb"; keeps file names short and free of separators.
QString disk_tag(const QString &disk_path)
{
    QString tag = QFileInfo(disk_path).absoluteFilePath();
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]+")), QStringLiteral("_"));
    while (tag.startsWith(QLatin1Char('_')) || tag.startsWith(QLatin1Char('.')))
        tag.remove(0, 1);
    return tag.right(80);
}

} // namespace

QString mbr_backup_folder()
{
    const std::string state = user_state_dir();
    return state.empty() ? QString() : QString::fromStdString(state) + QStringLiteral("/mbr-backups");
}

int save_mbr_backup(const QString &folder, const QString &disk_path, const sector_bytes_t &sector,
                    QString *path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return -1;
    };
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create the backup folder %1").arg(folder));
    const QString stem = QStringLiteral("%1/mbr-%2-%3")
                             .arg(folder, disk_tag(disk_path),
                                  QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int n = 0; n < 1000; ++n) {
        QString name = n == 0 ? stem + QStringLiteral(".bin") : QStringLiteral("%1-%2.bin").arg(stem).arg(n);
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue;
            return fail(QStringLiteral("cannot create %1: %2").arg(name, file.errorString()));
        }
        bool ok = file.write(reinterpret_cast<const char *>(sector.data()), sector.size()) ==
                      static_cast<qint64>(sector.size()) &&
                  file.flush() && fsync(file.handle()) == 0;
        file.close();
        if (!ok) {
            file.remove();
            return fail(QStringLiteral("cannot write %1").arg(name));
        }
        if (path)
            *path = name;
        return 0;
    }
    return fail(QStringLiteral("too many backups named %1").arg(stem));
}

int load_mbr_backup(const QString &file_name, sector_bytes_t &out, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return -1;
    };
    QFile file(file_name);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(file_name, file.errorString()));
    // One byte more than a sector tells a longer file from an exact one.
    QByteArray bytes = file.read(static_cast<qint64>(out.size()) + 1);
    if (bytes.size() != static_cast<qsizetype>(out.size()))
        return fail(QStringLiteral("%1 is not a 512-byte sector backup").arg(file_name));
    if (static_cast<uint8_t>(bytes[510]) != 0x55 || static_cast<uint8_t>(bytes[511]) != 0xAA)
        return fail(QStringLiteral("%1 does not end in the boot signature 55 AA").arg(file_name));
    memcpy(out.data(), bytes.constData(), out.size());
    return 0;
}
