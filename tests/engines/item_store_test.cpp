// The generic store passes on hand-built stores: children linking, the
// leads-to-file mark and path building, on loops of parent links too.
#include <gtest/gtest.h>

#include "engines/fat/fat_item.h"

namespace {

fat_item_s record(quint32 id, quint32 parent, quint8 attributes, const char *name)
{
    fat_item_s r;
    r.cluster = id;
    r.parent = parent;
    r.attributes = attributes;
    r.set_name(QString::fromUtf8(name));
    return r;
}

fat_store_t tree_store()
{
    fat_store_t store;
    store.insert(0, record(0, 0, fat_attr_directory, ""));
    store.insert(10, record(10, 0, fat_attr_directory, "top"));
    store.insert(11, record(11, 10, fat_attr_directory, "sub"));
    store.insert(12, record(12, 11, fat_attr_archive | fat_attr_deleted, "#ile.txt"));
    store.insert(20, record(20, 0, fat_attr_directory, "dirs only"));
    store.insert(21, record(21, 20, fat_attr_directory, "empty"));
    store.insert(30, record(30, 99, fat_attr_archive, "orphan.txt")); // parent not stored
    return store;
}

QList<quint32> child_ids(const fat_store_t &store, quint32 id)
{
    QList<quint32> ids;
    for (const fat_item_s *c : store.value(id).children)
        ids.append(c->cluster);
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(item_store, links_children_and_marks_only_folders_that_lead_to_files)
{
    fat_store_t store = tree_store();
    link_fat_store(store);
    EXPECT_EQ(child_ids(store, 0), (QList<quint32>{10, 20})) << "the root never links to itself";
    EXPECT_EQ(child_ids(store, 10), (QList<quint32>{11}));
    EXPECT_EQ(child_ids(store, 11), (QList<quint32>{12}));
    EXPECT_EQ(child_ids(store, 20), (QList<quint32>{21}));
    for (auto it = store.cbegin(); it != store.cend(); ++it)
        for (const fat_item_s *c : it.value().children)
            EXPECT_NE(c->cluster, 30u) << "a record with a missing parent is shown nowhere";
    EXPECT_EQ(store.value(0).has_files, 1);
    EXPECT_EQ(store.value(10).has_files, 1);
    EXPECT_EQ(store.value(11).has_files, 1);
    EXPECT_EQ(store.value(12).has_files, 0) << "a file's own mark is not touched";
    EXPECT_EQ(store.value(20).has_files, 0) << "folders holding only folders stay unmarked";
    EXPECT_EQ(store.value(21).has_files, 0);
}

TEST(item_store, loops_of_parent_links_end_and_are_cut_once)
{
    fat_store_t store = tree_store();
    store.insert(40, record(40, 41, fat_attr_directory, "a"));
    store.insert(41, record(41, 40, fat_attr_directory, "b"));
    store.insert(42, record(42, 41, fat_attr_archive, "in loop.txt"));
    store.insert(43, record(43, 43, fat_attr_directory, "self"));
    store.insert(44, record(44, 43, fat_attr_archive, "under self.txt"));
    link_fat_store(store); // must return

    EXPECT_EQ(child_ids(store, 40), (QList<quint32>{41})) << "the loop is cut above its lowest record only";
    EXPECT_EQ(child_ids(store, 41), (QList<quint32>{42}));
    EXPECT_FALSE(child_ids(store, 43).contains(43)) << "a self-parent never lists itself";
    EXPECT_EQ(store.value(40).has_files, 1);
    EXPECT_EQ(store.value(41).has_files, 1);

    std::wstring path;
    EXPECT_EQ(fat_item_path(store, 42, QStringLiteral("/media/x"), &path), -1);
    EXPECT_EQ(path, L"/media/x") << "only the prefix on failure";
    path.clear();
    EXPECT_EQ(fat_item_path(store, 44, QStringLiteral("/media/x"), &path), -1);
}

TEST(item_store, paths_run_from_the_mount_through_every_folder)
{
    fat_store_t store = tree_store();
    link_fat_store(store);
    std::wstring path;
    EXPECT_EQ(fat_item_path(store, 12, QStringLiteral("/media/usb/"), &path), 0);
    EXPECT_EQ(path, L"/media/usb/top/sub/#ile.txt") << "one separator, folders top-down";
    path.clear();
    EXPECT_EQ(fat_item_path(store, 10, QStringLiteral("E:\\"), &path), 0);
    EXPECT_EQ(path, L"E:/top");
    path.clear();
    EXPECT_EQ(fat_item_path(store, 30, QStringLiteral("/m"), &path), -1) << "its parent is missing";
    path = L"keep:";
    EXPECT_EQ(fat_item_path(store, 77, QStringLiteral("/m"), &path), -1);
    EXPECT_EQ(path, L"keep:/m") << "appends, never replaces";
    // A 64-bit id uses its low half.
    path.clear();
    EXPECT_EQ(fat_item_path(store, (quint64{0} << 32) | 12, QStringLiteral("/"), &path), 0);
    EXPECT_EQ(path, L"/top/sub/#ile.txt");
}

TEST(item_store, names_are_cut_to_259_units_and_zero_terminated)
{
    fat_item_s r;
    r.set_name(QString(300, QLatin1Char('x')));
    EXPECT_EQ(r.name_string().size(), 259);
    EXPECT_EQ(r.name[259], 0);
}

} // namespace
