// The walk that turns a linked engine store into found folders, by the
// engine's rules for its record type: which children are rows, how a row
// reads, which children are folders. Records give name_string() and
// children. The walk keeps its own list of folders still to fill, so any
// depth of nesting is safe.
#pragma once

#include <QHash>
#include <QString>
#include <algorithm>
#include <utility>
#include <vector>

#include "found_folder.h"

template <class Item> struct found_rules_s {
    bool (*is_row)(const Item &);
    recovery_item_s (*row)(const Item &);
    bool (*is_folder)(const Item &);
};

// Case-insensitive first, so that "b" sorts before "C"; ties by code units.
inline bool name_less(const QString &a, const QString &b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

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
        std::vector<std::pair<QString, const Item *>> subfolders;
        for (const Item *child : step.record->children) {
            if (rules.is_row(*child))
                step.folder->files.append(rules.row(*child));
            if (rules.is_folder(*child))
                subfolders.emplace_back(child->name_string(), child);
        }
        // Stores are hash tables: without an order of its own the tree would
        // come out differently from one run to the next.
        std::sort(step.folder->files.begin(), step.folder->files.end(),
                  [](const recovery_item_s &a, const recovery_item_s &b) { return name_less(a.name, b.name); });
        std::sort(subfolders.begin(), subfolders.end(),
                  [](const auto &a, const auto &b) { return name_less(a.first, b.first); });
        for (const auto &sub : subfolders) {
            found_folder_s folder(sub.first);
            folder.modified = rules.row(*sub.second).modified();
            step.folder->folders.append(std::move(folder));
        }
        // The folder's list is complete and never grows again, so pointers
        // into it stay valid until its subfolders are filled.
        for (size_t i = 0; i < subfolders.size(); ++i)
            todo.push_back({subfolders[i].second, &step.folder->folders[qsizetype(i)]});
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
