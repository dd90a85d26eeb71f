#include "raw_results.h"

#include <unordered_set>

#include "engines/raw/names/carved_name.h"
#include "engines/raw/rebuild/rebuilt_rows.h"
#include "engines/raw/raw_find_meta.h"
#include "raw_recovery.h"

found_folder_s build_raw_tree(const raw_recovery_c &engine)
{
    const std::vector<raw_item_s> &items = engine.items();
    // Rebuilt folders and named files first; a find where a named file's
    // data starts is that file, listed once, by its name.
    found_folder_s root = build_rebuilt_tree(engine.rebuilt(), items.size());
    std::unordered_set<uint64_t> named_starts;
    for (const rebuilt_file_s &file : engine.rebuilt().files)
        if (!file.stretches.empty() && file.stretches.front().offset != zeros_offset)
            named_starts.insert(file.stretches.front().offset);
    const auto &by_type = engine.by_type();
    for (auto it = by_type.cbegin(); it != by_type.cend(); ++it) {
        found_folder_s folder(QString::fromLatin1(it.key()));
        for (quint64 index : it.value()) {
            // A loaded table is checked; never read outside it.
            if (index >= items.size() || named_starts.count(items[index].offset))
                continue;
            const raw_item_s &item = items[index];
            const carved_meta_s &meta = engine.meta(index);
            recovery_item_s row;
            row.name = QString::fromStdString(carved_file_name(index, meta.label, item.type_name()));
            row.size = item.length;
            row.date1 = meta.modified;
            row.date2 = meta.created;
            row.id = index;
            row.state = engine.pieces().count(index) ? recovery_state_e::joined
                : item.end_proved                    ? recovery_state_e::intact
                                                     : recovery_state_e::uncertain_end;
            folder.files.append(row);
        }
        if (!folder.files.isEmpty())
            root.folders.append(folder);
    }
    return root;
}

found_folder_s raw_recovery_c::get_found_tree() const
{
    return build_raw_tree(*this);
}

bool raw_recovery_c::get_scan_entries(std::vector<raw_item_s> *entries) const
{
    *entries = items_;
    return true;
}

bool raw_recovery_c::set_scan_entries(std::vector<raw_item_s> entries)
{
    // Named and dated from their bytes, as the scan named them.
    std::vector<carved_meta_s> metas = read_find_metas(device(), entries);
    take_items(std::move(entries), std::move(metas));
    return true;
}

bool raw_recovery_c::get_scan_pieces(raw_pieces_t *pieces) const
{
    *pieces = pieces_;
    return true;
}

bool raw_recovery_c::set_scan_pieces(raw_pieces_t pieces)
{
    pieces_ = std::move(pieces);
    return true;
}

bool raw_recovery_c::get_scan_rebuilt(rebuilt_tree_s *rebuilt) const
{
    *rebuilt = rebuilt_;
    return true;
}

bool raw_recovery_c::set_scan_rebuilt(rebuilt_tree_s rebuilt)
{
    rebuilt_ = std::move(rebuilt);
    found_count_ = items_.size() + rebuilt_.files.size();
    return true;
}
