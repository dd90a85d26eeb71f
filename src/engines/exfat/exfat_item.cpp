#include "exfat_item.h"

#include "engines/item_store.h"

void link_exfat_store(exfat_store_t &store)
{
    auto parent_of = [](const exfat_item_s &r) { return r.parent; };
    item_store::link_children(store, parent_of,
                              [](exfat_item_s &r) -> QList<exfat_item_s *> & { return r.children; });
    item_store::mark_folders(
        store, parent_of, [](const exfat_item_s &r) { return !r.is_folder(); },
        [](exfat_item_s &r) -> quint8 & { return r.has_files; });
}

int exfat_item_path(const exfat_store_t &store, quint64 id, const QString &mount_path, std::wstring *out)
{
    return item_store::build_item_path(
        store, id, mount_path, [](const exfat_item_s &r) { return r.parent; },
        [](const exfat_item_s &r) { return r.parent == 0; }, [](const exfat_item_s &r) { return r.name; }, out);
}
