// The walk that turns a linked engine store into found folders. Rules is a
// type with static is_row, row and is_folder for the store's record type;
// records give name_string() and children.
#pragma once

#include <QHash>

#include "recovery_item.h"

template <class Rules, class Item>
void fill_found_folder(const Item &record, found_folder_s &folder)
{
    for (const Item *child : record.children) {
        if (Rules::is_row(*child))
            folder.files.append(Rules::row(*child));
        if (!Rules::is_folder(*child))
            continue;
        found_folder_s sub;
        sub.name = child->name_string();
        fill_found_folder<Rules>(*child, sub);
        folder.folders.append(sub);
    }
}

// "/" with the root record's files and the folders below it.
template <class Rules, class Key, class Item>
found_folder_s build_found_folders(const QHash<Key, Item> &store, Key root_id)
{
    found_folder_s root;
    root.name = QStringLiteral("/");
    auto it = store.constFind(root_id);
    if (it != store.cend())
        fill_found_folder<Rules>(it.value(), root);
    return root;
}
