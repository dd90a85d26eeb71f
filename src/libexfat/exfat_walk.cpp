#include "exfat_walk.h"

#include <unordered_set>

#include "exfat_layout.h"

using namespace exfat_layout;

static constexpr uint64_t max_directory_bytes = 256u << 20;

void exfat_parse_folder(const uint8_t *bytes, size_t len, const exfat_upcase_c &upcase,
                        std::vector<exfat_set_at_s> &sets, exfat_walk_counts_s &counts)
{
    for (size_t at = 0; at + entry_bytes <= len;) {
        const uint8_t type = bytes[at];
        if (type == end_of_directory)
            break;
        if ((type | in_use_bit) != type_file) {
            at += entry_bytes; // bitmap, up-case, label, GUID, a stray secondary: nothing to list
            continue;
        }
        exfat_set_at_s found;
        const exfat_set_check_e check = exfat_read_set(bytes + at, len - at, upcase, found.set);
        if (check != exfat_set_check_e::ok) {
            ++counts.bad_sets;
            at += entry_bytes;
            continue;
        }
        counts.cut_names += found.set.name_cut;
        found.offset = at;
        at += found.set.entries * entry_bytes;
        sets.push_back(std::move(found));
    }
}

namespace {

struct folder_s {
    std::vector<exfat_run_s> runs;
    uint64_t id = 0;
    bool deleted = false;
};

// Volume offset of a byte of a folder read from runs.
uint64_t volume_offset(const exfat_geometry_s &g, const std::vector<exfat_run_s> &runs, uint64_t at)
{
    for (const exfat_run_s &r : runs) {
        const uint64_t bytes = uint64_t{r.count} * g.cluster_bytes();
        if (at < bytes)
            return g.cluster_offset(r.first) + at;
        at -= bytes;
    }
    return 0;
}

} // namespace

exfat_walk_counts_s exfat_walk(exfat_volume_c &vol, const exfat_visit_fn &visit)
{
    exfat_walk_counts_s counts;
    const exfat_geometry_s &g = vol.geometry();
    std::vector<folder_s> todo(1);
    bool ended = false;
    if (!vol.follow_chain(g.root_cluster, max_directory_bytes / g.cluster_bytes() + 1, todo[0].runs, ended) ||
        !ended)
        ++counts.broken_chains;
    std::unordered_set<uint32_t> walked{g.root_cluster};
    std::vector<uint8_t> bytes;
    std::vector<exfat_set_at_s> sets;
    // Damaged folders may all claim the same clusters under different first
    // ones; what the walk reads stays within a few times what the device holds.
    uint64_t budget = 4 * vol.device_bytes() + max_directory_bytes;
    while (!todo.empty()) {
        const folder_s folder = std::move(todo.back());
        todo.pop_back();
        uint64_t size = 0;
        for (const exfat_run_s &r : folder.runs)
            size += uint64_t{r.count} * g.cluster_bytes();
        if (size > budget) {
            counts.unread = todo.size() + 1;
            return counts;
        }
        budget -= size;
        // What was read before a failing cluster is still worth listing.
        if (!vol.read_runs(folder.runs, max_directory_bytes, bytes))
            ++counts.unreadable;
        sets.clear();
        exfat_parse_folder(bytes.data(), bytes.size(), vol.upcase(), sets, counts);
        for (exfat_set_at_s &s : sets) {
            exfat_found_s found;
            found.id = volume_offset(g, folder.runs, s.offset);
            found.parent = folder.id;
            found.in_deleted = folder.deleted;
            found.set = std::move(s.set);
            if (!visit(found))
                return counts;
            if (!found.set.is_directory() || found.set.data_length == 0)
                continue;
            const exfat_set_s &set = found.set;
            exfat_extent_s ex = vol.extent(set.first_cluster, std::min(set.data_length, max_directory_bytes),
                                           set.no_fat_chain(), set.deleted || folder.deleted);
            if (ex.outside) {
                ++counts.outside;
                continue;
            }
            if (!walked.insert(set.first_cluster).second) {
                ++counts.walked_again;
                continue;
            }
            counts.broken_chains += ex.chain_broken;
            todo.push_back({std::move(ex.runs), found.id, set.deleted || folder.deleted});
        }
    }
    return counts;
}
