// One entry found by the NTFS engine; the store's value type.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <cstddef>
#include <string>

#include "libntfs/ntfs_scan.h"

// Record numbers 0 to 11 are the file system's own files; 5 is the root.
constexpr quint64 ntfs_root_id = 5;
constexpr quint64 ntfs_last_system_id = 11;

struct ntfs_item_s {
    ntfs_scan_record record{}; // the 576 bytes the library fills
    quint8 has_files = 0;      // some stored file entry lies below this directory
    QList<ntfs_item_s *> children;

    QString name_string() const;
    bool is_directory() const { return record.flags & ntfs_record_flag_directory; }
    bool is_file() const { return record.flags & ntfs_record_flag_file; }
    bool is_deleted() const { return record.flags & ntfs_record_flag_deleted; }
};
static_assert(offsetof(ntfs_item_s, record) == 0 && sizeof(ntfs_scan_record) == 576);

using ntfs_store_t = QHash<quint64, ntfs_item_s>;

// Zeroes a record the library filled: its fields and its name up to the
// terminator (the library writes nothing past it).
void clear_scan_record(ntfs_scan_record &record);

// Children linking and leads-to-file marking over a finished store. The root
// names itself as parent and is never linked as anyone's child; when records
// name it but the scan did not report it, a bare root is stored for it.
void link_ntfs_store(ntfs_store_t &store);

// Source path: mount path, then one separated name per level below the root.
// -1 when the item or an ancestor is missing or the parents loop.
int ntfs_item_path(const ntfs_store_t &store, quint64 id, const QString &mount_path, std::wstring *out);
