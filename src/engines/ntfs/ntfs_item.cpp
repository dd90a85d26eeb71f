#include "ntfs_item.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "engines/item_store.h"

QString ntfs_item_s::name_string() const
{
    qsizetype n = 0;
    while (n < 259 && record.name[n])
        ++n;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(record.name), n);
}

void clear_scan_record(ntfs_scan_record &record)
{
    size_t units = 0;
    while (units < 259 && record.name[units])
        ++units;
    memset(&record, 0, offsetof(ntfs_scan_record, name) + 2 * (units + 1));
}

namespace {

// The root tops the tree whatever its record says: a damaged parent
// reference must not hang the whole tree below one of its own folders. An
// unreadable root record is stood in for, so that its entries still show
// under "/" rather than as lost.
void settle_root(ntfs_store_t &store)
{
    auto root = store.find(ntfs_root_id);
    if (root == store.end()) {
        if (std::none_of(store.cbegin(), store.cend(),
                         [](const ntfs_item_s &r) { return r.record.parent_id == ntfs_root_id; }))
            return;
        root = store.insert(ntfs_root_id, ntfs_item_s{});
        root->record.id = ntfs_root_id;
        root->record.flags = ntfs_record_flag_directory;
    }
    root->record.parent_id = ntfs_root_id;
}

} // namespace

void link_ntfs_store(ntfs_store_t &store)
{
    settle_root(store);
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
