#include "window/app/single_instance.h"

#include <QDir>
#include <QStandardPaths>

QString instance_lock_path()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/TarnRecovery");
}

std::unique_ptr<QLockFile> acquire_single_instance(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // Only a lock whose process is gone is stale: with the default age limit
    // a second instance would take over from a window open for 30 s.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}
