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

namespace {
// Visits every folder, depth first, "/" first, without recursion, with the
// names and modified times of the folders above it and of itself.
void walk_with_times(const found_folder_s &root,
                     const std::function<void(const found_folder_s &, const QStringList &, const QList<qint64> &)>
                         &visit)
{
    // Each step is a folder and how many names lie above it; the lists are
    // cut back to that length before the folder's own entry is added.
    struct step_s {
        const found_folder_s *folder;
        qsizetype depth;
    };
    std::vector<step_s> todo{{&root, 0}};
    QStringList names;
    QList<qint64> times;
    while (!todo.empty()) {
        const step_s step = todo.back();
        todo.pop_back();
        names.resize(step.depth);
        times.resize(step.depth);
        if (step.folder != &root) {
            names.append(step.folder->name);
            times.append(step.folder->modified);
        }
        visit(*step.folder, names, times);
        for (auto it = step.folder->folders.crbegin(); it != step.folder->folders.crend(); ++it)
            todo.push_back({&*it, names.size()});
    }
}
} // namespace

void walk_found_folders(const found_folder_s &root,
                        const std::function<void(const found_folder_s &, const QStringList &)> &visit)
{
    walk_with_times(root, [&visit](const found_folder_s &folder, const QStringList &names, const QList<qint64> &) {
        visit(folder, names);
    });
}

QList<found_row_s> found_rows(const found_folder_s &root)
{
    QList<found_row_s> out;
    walk_with_times(root, [&out](const found_folder_s &folder, const QStringList &names, const QList<qint64> &times) {
        if (folder.files.isEmpty())
            return;
        // One copy for all rows of the folder.
        const QStringList shared = names;
        const QList<qint64> shared_times = times;
        for (const recovery_item_s &row : folder.files)
            out.append(found_row_s{shared, row, shared_times});
    });
    return out;
}
