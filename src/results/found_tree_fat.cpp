#include "found_tree_fat.h"

bool fat_is_folder(const fat_item_s &item)
{
    return (item.attributes & fat_attr_directory) && item.has_files && item.cluster != 0;
}

bool fat_is_row(const fat_item_s &item)
{
    return !(item.attributes & fat_attr_directory) && item.cluster != 0;
}

recovery_item_s fat_row(const fat_item_s &item)
{
    recovery_item_s row;
    row.name = item.name_string();
    row.size = item.size;
    row.date1 = item.modified;
    row.date2 = item.created;
    row.id = item.cluster;
    row.flags = item.attributes;
    return row;
}

static void fill_folder(const fat_item_s &record, found_folder_s &folder)
{
    for (const fat_item_s *child : record.children) {
        if (fat_is_row(*child))
            folder.files.append(fat_row(*child));
        if (!fat_is_folder(*child))
            continue;
        found_folder_s sub;
        sub.name = child->name_string();
        fill_folder(*child, sub);
        folder.folders.append(sub);
    }
}

found_folder_s build_fat_tree(const fat_store_t &store)
{
    found_folder_s root;
    root.name = QStringLiteral("/");
    auto it = store.constFind(0);
    if (it != store.cend())
        fill_folder(it.value(), root);
    return root;
}
