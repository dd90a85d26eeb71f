#include "found_row.h"

#include <vector>

QString found_row_s::path() const
{
    QStringList parts = folders;
    parts.append(row.name);
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

QString found_row_s::folder_path() const
{
    return QLatin1Char('/') + folders.join(QLatin1Char('/'));
}

void walk_found_folders(const found_folder_s &root,
                        const std::function<void(const found_folder_s &, const QStringList &)> &visit)
{
    // Each step is a folder and how many names lie above it; the name list
    // is cut back to that length before the folder's own name is added.
    struct step_s {
        const found_folder_s *folder;
        qsizetype depth;
    };
    std::vector<step_s> todo{{&root, 0}};
    QStringList names;
    while (!todo.empty()) {
        const step_s step = todo.back();
        todo.pop_back();
        names.resize(step.depth);
        if (step.folder != &root)
            names.append(step.folder->name);
        visit(*step.folder, names);
        for (auto it = step.folder->folders.crbegin(); it != step.folder->folders.crend(); ++it)
            todo.push_back({&*it, names.size()});
    }
}

QList<found_row_s> found_rows(const found_folder_s &root)
{
    QList<found_row_s> out;
    walk_found_folders(root, [&out](const found_folder_s &folder, const QStringList &names) {
        if (folder.files.isEmpty())
            return;
        const QStringList shared = names; // one copy for all rows of the folder
        for (const recovery_item_s &row : folder.files)
            out.append(found_row_s{shared, row});
    });
    return out;
}
