// The passes that turn an engine's flat store of found records into a tree:
// children linking, leads-to-file marking and source-path building. The FAT
// and NTFS stores share them; each passes accessors for its own record.
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/volume_path.h"

namespace item_store {

// The store's records in its iteration order, each with the position of
// its parent record in that order (-1 when the parent is not stored): the
// passes below follow parents through these arrays, one hash lookup per
// record in all.
template <class Key, class Item> struct parent_links_s {
    std::vector<Key> keys;
    std::vector<Item *> items;
    std::vector<int> parent;
};

template <class Key, class Item, class ParentOf>
parent_links_s<Key, Item> parent_links(QHash<Key, Item> &store, ParentOf parent_of)
{
    parent_links_s<Key, Item> links;
    QHash<Key, int> position;
    position.reserve(store.size());
    for (auto it = store.begin(); it != store.end(); ++it) {
        position.insert(it.key(), static_cast<int>(links.items.size()));
        links.keys.push_back(it.key());
        links.items.push_back(&it.value());
    }
    links.parent.reserve(links.items.size());
    for (Item *item : links.items)
        links.parent.push_back(position.value(parent_of(*item), -1));
    return links;
}

// For every loop of parent links (a record naming itself as parent
// included), marks the record of the loop's lowest key. Linking all of a
// loop would put a cycle into the children lists; leaving that one record
// unlinked makes it the loop's top and keeps the others nested below it as
// they were found.
template <class Key, class Item> std::vector<bool> loop_tops(const parent_links_s<Key, Item> &links)
{
    enum : char { unseen, in_progress, finished };
    std::vector<char> state(links.items.size(), unseen);
    std::vector<bool> tops(links.items.size(), false);
    std::vector<int> path;
    for (size_t start = 0; start < links.items.size(); ++start) {
        path.clear();
        for (int cur = static_cast<int>(start); cur >= 0 && state[size_t(cur)] != finished;
             cur = links.parent[size_t(cur)]) {
            if (state[size_t(cur)] == in_progress) {
                // The loop is the part of the path from cur's first visit on.
                auto first = std::find(path.begin(), path.end(), cur);
                tops[size_t(*std::min_element(first, path.end(), [&](int a, int b) {
                    return links.keys[size_t(a)] < links.keys[size_t(b)];
                }))] = true;
                break;
            }
            state[size_t(cur)] = in_progress;
            path.push_back(cur);
        }
        for (int k : path)
            state[size_t(k)] = finished;
    }
    return tops;
}

// Appends each record to its parent's children list. Records whose parent is
// not stored, and the top of each loop of parent links, are linked to
// nothing.
template <class Key, class Item, class ParentOf, class ChildrenOf>
void link_children(QHash<Key, Item> &store, ParentOf parent_of, ChildrenOf children_of)
{
    const parent_links_s<Key, Item> links = parent_links(store, parent_of);
    const std::vector<bool> unlinked = loop_tops(links);
    for (size_t i = 0; i < links.items.size(); ++i)
        if (!unlinked[i] && links.parent[i] >= 0)
            children_of(*links.items[size_t(links.parent[i])]).append(links.items[i]);
}

// From every file record, marks its ancestors as leading to a file. The walk
// up stops at the first ancestor already marked, so it ends on loops too.
template <class Key, class Item, class ParentOf, class IsFile, class MarkOf>
void mark_folders(QHash<Key, Item> &store, ParentOf parent_of, IsFile is_file, MarkOf mark_of)
{
    for (auto it = store.cbegin(); it != store.cend(); ++it) {
        if (!is_file(it.value()))
            continue;
        auto parent = store.find(parent_of(it.value()));
        while (parent != store.end() && mark_of(parent.value()) == 0) {
            mark_of(parent.value()) = 1;
            parent = store.find(parent_of(parent.value()));
        }
    }
}

// Builds mount path + separator + names from the topmost folder down to the
// item. A record is topmost when at_top says so (its parent is the root).
// Returns -1, with only the mount prefix appended, when the chain breaks or
// loops.
template <class Key, class Item, class ParentOf, class AtTop, class NameOf>
int build_item_path(const QHash<Key, Item> &store, Key id, const QString &mount_path, ParentOf parent_of, AtTop at_top,
                    NameOf name_of, std::wstring *out)
{
    QString prefix = mount_path;
    if (prefix.endsWith(QLatin1Char('/')) || prefix.endsWith(QLatin1Char('\\')))
        prefix.chop(1);
    out->append(prefix.toStdWString());

    QList<const Item *> chain;
    QSet<Key> seen;
    Key key = id;
    for (;;) {
        auto it = store.constFind(key);
        if (it == store.cend() || seen.contains(key))
            return -1;
        seen.insert(key);
        chain.append(&it.value());
        if (at_top(it.value()))
            break;
        key = parent_of(it.value());
    }
    QString path;
    for (auto it = chain.crbegin(); it != chain.crend(); ++it)
        path += QLatin1Char(path_separator) + name_of(**it);
    out->append(path.toStdWString());
    return 0;
}

} // namespace item_store
