#include "ntfs_entry_source.h"

#include <QFile>
#include <QFileInfo>

#include "engines/recovery_base.h"
#include "libntfs/ntfs_scan.h"

ntfs_entry_source_e choose_ntfs_entry_source(recovery_base_c &engine, quint64 id, quint32 flags, std::wstring *source)
{
    if (flags & ntfs_record_flag_deleted)
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
