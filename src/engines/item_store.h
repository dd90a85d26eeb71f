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

// Returns, for every loop of parent links (a record naming itself as parent
// included), the loop's lowest key. Linking all of a loop would put a cycle
// into the children lists; leaving that one record unlinked makes it the
// loop's top and keeps the others nested below it as they were found.
template <class Key, class Item, class ParentOf> QSet<Key> loop_tops(const QHash<Key, Item> &store, ParentOf parent_of)
{
    enum : char { in_progress = 1, finished = 2 };
    QHash<Key, char> state;
    state.reserve(store.size());
    QSet<Key> tops;
    std::vector<Key> path;
    for (auto it = store.cbegin(); it != store.cend(); ++it) {
        if (state.contains(it.key()))
            continue;
        path.clear();
        Key cur = it.key();
        for (;;) {
            char st = state.value(cur, 0);
            if (st == in_progress) {
                // The loop is the part of the path from cur's first visit on.
                auto first = std::find(path.begin(), path.end(), cur);
                tops.insert(*std::min_element(first, path.end()));
                break;
            }
            if (st == finished)
                break;
            state.insert(cur, in_progress);
            path.push_back(cur);
            auto parent = store.constFind(cur);
            Key next = parent_of(parent.value());
            if (!store.contains(next))
                break;
            cur = next;
        }
        for (const Key &k : path)
            state.insert(k, finished);
    }
    return tops;
}

// Appends each record to its parent's children list. Records whose parent is
// not stored, and the top of each loop of parent links, are linked to
// nothing.
template <class Key, class Item, class ParentOf, class ChildrenOf>
void link_children(QHash<Key, Item> &store, ParentOf parent_of, ChildrenOf children_of)
{
    const QSet<Key> unlinked = loop_tops(store, parent_of);
    for (auto it = store.begin(); it != store.end(); ++it) {
        if (unlinked.contains(it.key()))
            continue;
        auto parent = store.find(parent_of(it.value()));
        if (parent != store.end())
            children_of(parent.value()).append(&it.value());
    }
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
