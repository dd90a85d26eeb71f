#include "found_tree_ntfs.h"

#include "found_tree_walk.h"

bool ntfs_is_folder(const ntfs_item_s &item)
{
    return item.is_directory() && item.has_files && item.record.id > ntfs_last_system_id;
}

bool ntfs_is_row(const ntfs_item_s &item)
{
    return item.is_file() && item.record.id > ntfs_last_system_id;
}

recovery_item_s ntfs_row(const ntfs_item_s &item)
{
    recovery_item_s row;
    row.name = item.name_string();
    row.size = item.record.size;
    row.date1 = item.record.first_time;
    row.date2 = item.record.second_time;
    row.id = item.record.id;
    // The 32 bits that begin with the flags byte; only the flags byte is meant.
    row.flags = item.record.flags;
    return row;
}

namespace {

struct ntfs_rules_s {
    static bool is_row(const ntfs_item_s &item) { return ntfs_is_row(item); }
    static recovery_item_s row(const ntfs_item_s &item) { return ntfs_row(item); }
    static bool is_folder(const ntfs_item_s &item) { return ntfs_is_folder(item); }
};

} // namespace

found_folder_s build_ntfs_tree(const ntfs_store_t &store)
{
    return build_found_folders<ntfs_rules_s>(store, ntfs_root_id);
}
