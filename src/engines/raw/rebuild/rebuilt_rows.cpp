#include "rebuilt_rows.h"

#include <vector>

recovery_state_e rebuilt_state(const rebuilt_file_s &file)
{
    if (file.size > 0 && file.held == 0)
        return recovery_state_e::no_data;
    if (file.in_use > 0)
        return state_of_clusters_in_use(file.in_use, file.held);
    return file.held < file.size ? recovery_state_e::partly_overwritten : recovery_state_e::intact;
}

found_folder_s build_rebuilt_tree(const rebuilt_tree_s &rebuilt, quint64 first_id)
{
    const size_t count = rebuilt.folders.size();
    std::vector<std::vector<uint32_t>> children(count);
    for (uint32_t i = 1; i < count; ++i)
        if (rebuilt.folders[i].parent < count && rebuilt.folders[i].parent != i)
            children[rebuilt.folders[i].parent].push_back(i);
    // Folders in the order a walk from the root meets them; each once, as a
    // folder has one parent.
    std::vector<uint32_t> order{0};
    for (size_t next = 0; next < order.size(); ++next)
        for (uint32_t child : children[order[next]])
            order.push_back(child);
    std::vector<found_folder_s> folders(count);
    folders[0].name = QStringLiteral("/");
    for (uint32_t i : order)
        if (i > 0) {
            folders[i].name = QString::fromStdU16String(rebuilt.folders[i].name);
            folders[i].modified = rebuilt.folders[i].modified;
        }
    for (size_t k = 0; k < rebuilt.files.size(); ++k) {
        const rebuilt_file_s &file = rebuilt.files[k];
        if (file.folder >= count)
            continue;
        recovery_item_s row;
        row.name = QString::fromStdU16String(file.name);
        row.size = file.size;
        row.date1 = file.modified;
        row.date2 = file.created;
        row.id = first_id + k;
        row.size_capped = file.held < file.size && file.held > 0;
        row.state = rebuilt_state(file);
        folders[file.folder].files.append(row);
    }
    // Children are complete before their parent takes them.
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        for (uint32_t child : children[*it])
            folders[*it].folders.append(std::move(folders[child]));
    return std::move(folders[0]);
}
