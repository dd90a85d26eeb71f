#include "found_tree_fat.h"

#include "found_tree_walk.h"

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

namespace {

struct fat_rules_s {
    static bool is_row(const fat_item_s &item) { return fat_is_row(item); }
    static recovery_item_s row(const fat_item_s &item) { return fat_row(item); }
    static bool is_folder(const fat_item_s &item) { return fat_is_folder(item); }
};

} // namespace

found_folder_s build_fat_tree(const fat_store_t &store)
{
    return build_found_folders<fat_rules_s>(store, quint32(0));
}
