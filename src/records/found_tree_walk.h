// The walk that turns a linked engine store into found folders, by the
// engine's rules for its record type: which children are rows, how a row
// reads, which children are folders. Records give name_string() and
// children. The walk keeps its own list of folders still to fill, so any
// depth of nesting is safe.
#pragma once

#include <QHash>
#include <QString>
#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "found_folder.h"

template <class Item> struct found_rules_s {
    bool (*is_row)(const Item &);
    recovery_item_s (*row)(const Item &);
    bool (*is_folder)(const Item &);
};

// The folder below "/" that holds what the root cannot reach.
inline QString lost_folder_name()
{
    return QStringLiteral("Lost files (no parent)");
}

// Case-insensitive first, so that "b" sorts before "C"; ties by code units:
// below 0 when a comes first, 0 only for the same name. Names in plain
// ASCII, nearly all of them, are compared here: Qt's folding compare was a
// tenth of a large listing's time.
inline int name_compare(const QString &a, const QString &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    const QChar *x = a.constData(), *y = b.constData();
    qsizetype i = 0;
    for (; i < common; ++i) {
        char16_t p = x[i].unicode(), q = y[i].unicode();
        if (p >= 0x80 || q >= 0x80)
            break;
        p = (p >= u'A' && p <= u'Z') ? char16_t(p + 32) : p;
        q = (q >= u'A' && q <= u'Z') ? char16_t(q + 32) : q;
        if (p != q)
            return p < q ? -1 : 1;
    }
    if (i == common && a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int folded = i == common ? 0 : a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded : a.compare(b, Qt::CaseSensitive);
}

inline bool name_less(const QString &a, const QString &b)
{
    return name_compare(a, b) < 0;
}

template <class Item> struct found_step_s {
    const Item *record;
    found_folder_s *folder;
};

// Puts the rows among children into folder and a subfolder for each folder
// among them; the subfolders are left on todo to be filled. Children that
// are neither (the file system's own folders) keep what lies below them out
// of sight.
template <class Item, class Children>
void add_found_children(const Children &children, found_folder_s &folder, const found_rules_s<Item> &rules,
                        std::vector<found_step_s<Item>> &todo)
{
    std::vector<std::pair<QString, const Item *>> subfolders;
    for (const Item *child : children) {
        if (rules.is_row(*child))
            folder.files.append(rules.row(*child));
        if (rules.is_folder(*child))
            subfolders.emplace_back(child->name_string(), child);
    }
    // Stores are hash tables: without an order of its own the tree would
    // come out differently from one run to the next, also where two
    // entries have the same name (the id decides then).
    std::sort(folder.files.begin(), folder.files.end(), [](const recovery_item_s &a, const recovery_item_s &b) {
        const int order = name_compare(a.name, b.name);
        return order != 0 ? order < 0 : a.id < b.id;
    });
    std::sort(subfolders.begin(), subfolders.end(), [&rules](const auto &a, const auto &b) {
        const int order = name_compare(a.first, b.first);
        return order != 0 ? order < 0 : rules.row(*a.second).id < rules.row(*b.second).id;
    });
    for (const auto &sub : subfolders) {
        found_folder_s subfolder(sub.first);
        subfolder.modified = rules.row(*sub.second).modified();
        folder.folders.append(std::move(subfolder));
    }
    // The folder's list is complete and never grows again, so pointers into
    // it stay valid until its subfolders are filled.
    for (size_t i = 0; i < subfolders.size(); ++i)
        todo.push_back({subfolders[i].second, &folder.folders[qsizetype(i)]});
}

template <class Item> void fill_found_folders(std::vector<found_step_s<Item>> todo, const found_rules_s<Item> &rules)
{
    while (!todo.empty()) {
        const found_step_s<Item> step = todo.back();
        todo.pop_back();
        add_found_children(step.record->children, *step.folder, rules, todo);
    }
}

// Where the chains of folders that do not reach the root break: the root
// aside, every record that sits in no children list (its parent is not
// stored, or it tops a loop of parent links) and every child of a row (its
// parent record now holds a file).
template <class Key, class Item>
std::vector<const Item *> unreached_tops(const QHash<Key, Item> &store, Key root_id, const found_rules_s<Item> &rules)
{
    // Two sorted lists of addresses and their difference: over a million
    // records much cheaper than a hash set or a search per record.
    std::vector<const Item *> all, below_folder;
    all.reserve(size_t(store.size()));
    below_folder.reserve(size_t(store.size()));
    for (auto it = store.cbegin(); it != store.cend(); ++it) {
        if (it.key() != root_id)
            all.push_back(&it.value());
        if (!rules.is_row(it.value()))
            below_folder.insert(below_folder.end(), it.value().children.cbegin(), it.value().children.cend());
    }
    std::sort(all.begin(), all.end());
    std::sort(below_folder.begin(), below_folder.end());
    std::vector<const Item *> tops;
    std::set_difference(all.cbegin(), all.cend(), below_folder.cbegin(), below_folder.cend(), std::back_inserter(tops));
    return tops;
}

// Removes the folders below top that hold no file at any depth, deepest
// first, without recursion.
inline void drop_empty_folders(found_folder_s &top)
{
    std::vector<found_folder_s *> order{&top};
    for (size_t i = 0; i < order.size(); ++i)
        for (found_folder_s &sub : order[i]->folders)
            order.push_back(&sub);
    // Every folder comes after its parent, so going backwards empties a
    // folder's subfolders before the folder itself is judged.
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        (*it)->folders.removeIf([](const found_folder_s &f) { return f.files.isEmpty() && f.folders.isEmpty(); });
}

// "/" with the root record's files and the folders below it, then, when the
// root cannot reach every row, the lost folder. Its entries are the records
// where a file's chain of folders breaks (see unreached_tops), each under its
// own name with everything the links still put below it; a loop of folders
// is entered at its lowest record (see item_store::loop_tops). So every row
// the rules allow appears exactly once; only what lies below the file
// system's own folders stays out of sight.
template <class Key, class Item>
found_folder_s build_found_folders(const QHash<Key, Item> &store, Key root_id, const found_rules_s<Item> &rules)
{
    found_folder_s root(QStringLiteral("/"));
    auto it = store.constFind(root_id);
    if (it != store.cend())
        fill_found_folders<Item>({{&it.value(), &root}}, rules);

    found_folder_s lost(lost_folder_name());
    std::vector<found_step_s<Item>> todo;
    add_found_children(unreached_tops(store, root_id, rules), lost, rules, todo);
    fill_found_folders(std::move(todo), rules);
    // A loop's folders are all marked as leading to its files, even the
    // ones the loop's cut leaves without any.
    drop_empty_folders(lost);
    if (!lost.files.isEmpty() || !lost.folders.isEmpty())
        root.folders.append(std::move(lost));
    return root;
}
