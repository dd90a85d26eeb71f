#include "fat_results.h"

#include <QStringList>

#include "fat_recovery.h"
#include "records/found_tree_walk.h"

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
    row.deleted = (item.attributes & fat_attr_deleted) ? 1 : 0;
    row.size_capped = item.size_capped;
    row.state = item.state;
    return row;
}

found_folder_s build_fat_tree(const fat_store_t &store)
{
    return build_found_folders(store, quint32(0), found_rules_s<fat_item_s>{fat_is_row, fat_row, fat_is_folder});
}

found_folder_s fat_recovery_c::get_found_tree() const
{
    return build_fat_tree(store_);
}

QString fat_recovery_c::get_note() const
{
    QStringList notes;
    if (used_backup_boot())
        notes << QStringLiteral("the boot sector is damaged; its backup copy in sector 6 was read");
    if (!short_note_.isEmpty())
        notes << short_note_;
    if (unreadable_sectors_)
        notes << QStringLiteral("%1 folder sectors could not be read; the entries in them are missing")
                     .arg(unreadable_sectors_);
    return notes.join(QStringLiteral("; "));
}
