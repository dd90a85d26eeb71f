#include "found_tree.h"

#include "engines/fat/fat_recovery.h"
#include "engines/ntfs/ntfs_recovery.h"
#include "engines/raw/raw_recovery.h"
#include "found_tree_fat.h"
#include "found_tree_ntfs.h"
#include "found_tree_raw.h"

found_folder_s build_found_tree(engine_kind_e kind, const recovery_base_c &engine)
{
    switch (kind) {
    case engine_fat:
        if (auto fat = qobject_cast<const fat_recovery_c *>(&engine))
            return build_fat_tree(fat->store());
        break;
    case engine_raw:
        if (auto raw = qobject_cast<const raw_recovery_c *>(&engine))
            return build_raw_tree(*raw);
        break;
    case engine_ntfs:
        if (auto ntfs = qobject_cast<const ntfs_recovery_c *>(&engine))
            return build_ntfs_tree(ntfs->store());
        break;
    }
    found_folder_s root;
    root.name = QStringLiteral("/");
    return root;
}

QString found_row_s::path() const
{
    QStringList parts = folders;
    parts.append(row.name);
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

static void collect(const found_folder_s &folder, const QStringList &above, QList<found_row_s> &out)
{
    for (const recovery_item_s &row : folder.files)
        out.append(found_row_s{above, row});
    for (const found_folder_s &sub : folder.folders)
        collect(sub, above + QStringList{sub.name}, out);
}

QList<found_row_s> found_rows(const found_folder_s &root)
{
    QList<found_row_s> out;
    collect(root, {}, out);
    return out;
}
