#include "ntfs_entry_source.h"

#include <QFile>
#include <QFileInfo>

#include "ntfs_recovery.h"

ntfs_entry_source_e choose_ntfs_entry_source(ntfs_recovery_c &engine, quint64 id, quint32 flags,
                                             std::wstring *source)
{
    if (flags & ntfs_record_flag_deleted)
        return ntfs_entry_source_e::library;
    // An unmounted volume's row carries its device name where a mount path would be.
    const QString mount = engine.volume().mount_path;
    if (mount.isEmpty() || !QFileInfo(mount).isDir())
        return ntfs_entry_source_e::library;
    std::wstring path;
    if (engine.get_item_path(id, &path) != 0)
        return ntfs_entry_source_e::library;
    const QString live = QString::fromStdWString(path);
    QFile file(live);
    if (!QFileInfo(live).isFile() || !file.open(QIODevice::ReadOnly))
        return ntfs_entry_source_e::library;
    *source = path;
    return ntfs_entry_source_e::live_copy;
}
