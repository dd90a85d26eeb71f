// The walk that turns a linked engine store into found folders, by the
// engine's rules for its record type: which children are rows, how a row
// reads, which children are folders. Records give name_string() and
// children. The walk keeps its own list of folders still to fill, so any
// depth of nesting is safe.
#pragma once

#include <QHash>
#include <vector>

#include "found_folder.h"

template <class Item>
struct found_rules_s {
    bool (*is_row)(const Item &);
    recovery_item_s (*row)(const Item &);
    bool (*is_folder)(const Item &);
};

template <class Item>
void fill_found_folder(const Item &record, found_folder_s &folder, const found_rules_s<Item> &rules)
{
    struct step_s {
        const Item *record;
        found_folder_s *folder;
    };
    std::vector<step_s> todo{{&record, &folder}};
    while (!todo.empty()) {
        const step_s step = todo.back();
        todo.pop_back();
        for (const Item *child : step.record->children) {
            if (rules.is_row(*child))
                step.folder->files.append(rules.row(*child));
            if (rules.is_folder(*child))
                step.folder->folders.append(found_folder_s(child->name_string()));
        }
        // The folder's list is complete and never grows again, so pointers
        // into it stay valid until its subfolders are filled.
        qsizetype next = 0;
        for (const Item *child : step.record->children)
            if (rules.is_folder(*child))
                todo.push_back({child, &step.folder->folders[next++]});
    }
}

// "/" with the root record's files and the folders below it.
template <class Key, class Item>
found_folder_s build_found_folders(const QHash<Key, Item> &store, Key root_id, const found_rules_s<Item> &rules)
{
    found_folder_s root(QStringLiteral("/"));
    auto it = store.constFind(root_id);
    if (it != store.cend())
        fill_found_folder(it.value(), root, rules);
    return root;
}
