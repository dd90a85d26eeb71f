#include "ntfs_item.h"

#include "engines/item_store.h"

QString ntfs_item_s::name_string() const
{
    qsizetype n = 0;
    while (n < 259 && record.name[n])
        ++n;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(record.name), n);
}

void link_ntfs_store(ntfs_store_t &store)
{
    auto parent_of = [](const ntfs_item_s &r) { return static_cast<quint64>(r.record.parent_id); };
    item_store::link_children(store, parent_of, [](ntfs_item_s &r) -> QList<ntfs_item_s *> & { return r.children; });
    item_store::mark_folders(
        store, parent_of, [](const ntfs_item_s &r) { return r.is_file(); },
        [](ntfs_item_s &r) -> quint8 & { return r.has_files; });
}

int ntfs_item_path(const ntfs_store_t &store, quint64 id, const QString &mount_path, std::wstring *out)
{
    return item_store::build_item_path(
        store, id, mount_path, [](const ntfs_item_s &r) { return static_cast<quint64>(r.record.parent_id); },
        [](const ntfs_item_s &r) { return r.record.parent_id == ntfs_root_id; },
        [](const ntfs_item_s &r) { return r.name_string(); }, out);
}
