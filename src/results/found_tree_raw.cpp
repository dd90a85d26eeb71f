#include "found_tree_raw.h"

#include "engines/raw/raw_recovery.h"

found_folder_s build_raw_tree(const raw_recovery_c &engine)
{
    found_folder_s root;
    root.name = QStringLiteral("/");
    const std::vector<raw_item_s> &items = engine.items();
    const auto &by_type = engine.by_type();
    for (auto it = by_type.cbegin(); it != by_type.cend(); ++it) {
        found_folder_s folder;
        folder.name = QString::fromLatin1(it.key());
        for (quint64 index : it.value()) {
            if (index >= items.size())
                continue;  // a loaded table is checked; never read outside it
            const raw_item_s &item = items[index];
            recovery_item_s row;
            row.name = QString::asprintf("%08llu.%s", static_cast<unsigned long long>(index), item.type_name().c_str());
            row.size = item.length;
            row.id = index;
            folder.files.append(row);
        }
        root.folders.append(folder);
    }
    return root;
}
