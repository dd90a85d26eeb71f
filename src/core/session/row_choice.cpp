#include "row_choice.h"

void row_choice_c::reset(const found_folder_s &tree)
{
    folders_.clear();
    sizes_.clear();
    // The same order as found_rows: a folder's files, then each subfolder
    // whole, without recursion (a damaged volume can nest very deep).
    struct step_s {
        const found_folder_s *folder;
        bool leaving;
    };
    std::vector<step_s> todo{{&tree, false}};
    while (!todo.empty()) {
        const step_s step = todo.back();
        todo.pop_back();
        if (step.leaving) {
            folders_[step.folder].end = static_cast<qsizetype>(sizes_.size());
            continue;
        }
        folder_rows_s &rows = folders_[step.folder];
        rows.first = static_cast<qsizetype>(sizes_.size());
        for (const recovery_item_s &file : step.folder->files)
            sizes_.push_back(file.size);
        rows.files_end = static_cast<qsizetype>(sizes_.size());
        todo.push_back({step.folder, true});
        for (auto it = step.folder->folders.crbegin(); it != step.folder->folders.crend(); ++it)
            todo.push_back({&*it, false});
    }
    chosen_.assign(sizes_.size(), 0);
    fenwick_.assign(sizes_.size() + 1, 0);
    chosen_count_ = 0;
    chosen_bytes_ = 0;
}

bool row_choice_c::is_chosen(qsizetype row) const
{
    return row >= 0 && row < row_total() && chosen_[static_cast<size_t>(row)];
}

void row_choice_c::count(qsizetype row, int change)
{
    for (auto i = static_cast<size_t>(row) + 1; i < fenwick_.size(); i += i & (~i + 1))
        fenwick_[i] += change;
}

qsizetype row_choice_c::chosen_before(qsizetype end) const
{
    qsizetype sum = 0;
    for (auto i = static_cast<size_t>(end); i > 0; i -= i & (~i + 1))
        sum += fenwick_[i];
    return sum;
}

void row_choice_c::set_chosen(qsizetype row, bool chosen)
{
    if (row < 0 || row >= row_total() || is_chosen(row) == chosen)
        return;
    const auto at = static_cast<size_t>(row);
    chosen_[at] = chosen ? 1 : 0;
    count(row, chosen ? 1 : -1);
    chosen_count_ += chosen ? 1 : -1;
    chosen_bytes_ = chosen ? chosen_bytes_ + sizes_[at] : chosen_bytes_ - sizes_[at];
}

void row_choice_c::set_folder_chosen(const found_folder_s *folder, bool chosen)
{
    const auto [first, end] = rows_below(folder);
    for (qsizetype row = first; row < end; ++row)
        set_chosen(row, chosen);
}

row_choice_c::folder_state_e row_choice_c::folder_state(const found_folder_s *folder) const
{
    const auto [first, end] = rows_below(folder);
    const qsizetype chosen = chosen_before(end) - chosen_before(first);
    if (chosen == 0)
        return none_chosen;
    return chosen == end - first ? all_chosen : some_chosen;
}

std::pair<qsizetype, qsizetype> row_choice_c::files_of(const found_folder_s *folder) const
{
    const auto it = folders_.constFind(folder);
    return it == folders_.cend() ? std::pair<qsizetype, qsizetype>{0, 0}
                                 : std::pair<qsizetype, qsizetype>{it->first, it->files_end};
}

std::pair<qsizetype, qsizetype> row_choice_c::rows_below(const found_folder_s *folder) const
{
    const auto it = folders_.constFind(folder);
    return it == folders_.cend() ? std::pair<qsizetype, qsizetype>{0, 0}
                                 : std::pair<qsizetype, qsizetype>{it->first, it->end};
}

QList<found_row_s> row_choice_c::chosen(const QList<found_row_s> &rows) const
{
    QList<found_row_s> out;
    out.reserve(chosen_count_);
    for (qsizetype row = 0; row < rows.size() && row < row_total(); ++row)
        if (chosen_[static_cast<size_t>(row)])
            out.append(rows.at(row));
    return out;
}
