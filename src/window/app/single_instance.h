// One running window per user: a lock file named TarnRecovery in the
// runtime folder. The lock of a run that crashed is taken over.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// The lock file's path (the runtime folder, else the temporary folder).
QString instance_lock_path();

// The held lock, or null when another instance holds it.
std::unique_ptr<QLockFile> acquire_single_instance(const QString &path = instance_lock_path());
