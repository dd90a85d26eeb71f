#include "ntfs_results.h"

#include "engines/live_copy.h"
#include "ntfs_entry_source.h"
#include "ntfs_recovery.h"
#include "ntfs_volume_notes.h"
#include "records/found_tree_walk.h"

bool ntfs_is_folder(const ntfs_item_s &item)
{
    return item.is_directory() && item.has_files && item.record.id > ntfs_last_system_id;
}

bool ntfs_is_row(const ntfs_item_s &item)
{
    return item.is_file() && item.record.id > ntfs_last_system_id;
}

recovery_state_e ntfs_item_state(const ntfs_item_s &item)
{
    if (!item.is_deleted())
        return recovery_state_e::intact;
    switch (item.record.data_state) {
    case ntfs_data_intact:
        return recovery_state_e::intact;
    case ntfs_data_used:
        return recovery_state_e::overwritten;
    case ntfs_data_none:
        return recovery_state_e::no_data;
    default:
        // Partly used, or a bitmap that could not be read: nothing promises
        // the data is whole.
        return recovery_state_e::partly_overwritten;
    }
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
    row.deleted = item.is_deleted() ? 1 : 0;
    row.state = ntfs_item_state(item);
    return row;
}

found_folder_s build_ntfs_tree(const ntfs_store_t &store)
{
    return build_found_folders(store, ntfs_root_id, found_rules_s<ntfs_item_s>{ntfs_is_row, ntfs_row, ntfs_is_folder});
}

found_folder_s ntfs_recovery_c::get_found_tree() const
{
    return build_ntfs_tree(store_);
}

int ntfs_recovery_c::recover_row(const recovery_item_s &row, output_file_c &out)
{
    // A live entry is copied only when its mounted path opens; otherwise
    // (unmounted volume, image) it is extracted like a deleted one.
    std::wstring source;
    if (choose_ntfs_entry_source(*this, row.id, row.flags, &source) == ntfs_entry_source_e::live_copy)
        return copy_live_file(source, out);
    const int result = recover_item(row.id, out);
    // Names found only in folder indexes have no record left to read.
    return result == ntfs_error_no_record ? recover_no_data : result;
}

QString ntfs_recovery_c::get_note() const
{
    return ntfs_scan_notes(context_);
}
