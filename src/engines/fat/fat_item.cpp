#include "fat_item.h"

#include <cstring>

#include "engines/item_store.h"

void fat_item_s::clear()
{
    cluster = parent = size = stated_size = 0;
    modified = created = 0;
    attributes = in_deleted = size_capped = 0;
    memset(name, 0, sizeof name);
}

QString fat_item_s::name_string() const
{
    size_t n = 0;
    while (n < 259 && name[n])
        ++n;
    return QString::fromUtf16(name, static_cast<qsizetype>(n));
}

void fat_item_s::set_name(const QString &text)
{
    memset(name, 0, sizeof name);
    qsizetype n = qMin<qsizetype>(text.size(), 259);
    memcpy(name, text.utf16(), static_cast<size_t>(n) * sizeof(char16_t));
}

void link_fat_store(fat_store_t &store)
{
    auto parent_of = [](const fat_item_s &r) { return r.parent; };
    item_store::link_children(store, parent_of, [](fat_item_s &r) -> QList<fat_item_s *> & { return r.children; });
    item_store::mark_folders(
        store, parent_of, [](const fat_item_s &r) { return !(r.attributes & fat_attr_directory); },
        [](fat_item_s &r) -> quint8 & { return r.has_files; });
}

int fat_item_path(const fat_store_t &store, quint64 id, const QString &mount_path, std::wstring *out)
{
    return item_store::build_item_path(
        store, static_cast<quint32>(id), mount_path, [](const fat_item_s &r) { return r.parent; },
        [](const fat_item_s &r) { return r.parent == 0; }, [](const fat_item_s &r) { return r.name_string(); }, out);
}
