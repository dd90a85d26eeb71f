#include "fat_state.h"

#include <algorithm>
#include <vector>

#include "libfat/fat_usage.h"
#include "platform/fat_layout.h"

using fat_layout::sector_bytes;

namespace {

// One record as the passes see it; runs count clusters from first on.
struct claim_s {
    fat_item_s *item;
    uint32_t first;
    uint64_t wanted; // what its stated size needs, at least one
    qint64 written;  // the later of its two times; 0 when neither is known
    bool file;
    uint64_t reach = 0; // free clusters, up to wanted and the end of the data held
    uint64_t held = 0;  // of those, the ones short of a record not written before it
};

// b was written before a, as far as the times tell: a may have been written
// over b's clusters. Same or unknown times prove nothing.
bool written_before(const claim_s &b, const claim_s &a)
{
    return b.written > 0 && a.written > 0 && b.written < a.written;
}

std::vector<claim_s> claims_of(fat_store_t &store, uint64_t cluster_bytes)
{
    std::vector<claim_s> claims;
    claims.reserve(static_cast<size_t>(store.size()));
    for (fat_item_s &item : store) {
        if (item.cluster < 2)
            continue;
        const bool file = !(item.attributes & fat_attr_directory) && (item.attributes & fat_attr_deleted);
        const uint64_t wanted = std::max<uint64_t>(1, (uint64_t{item.stated_size} + cluster_bytes - 1) / cluster_bytes);
        claims.push_back({&item, item.cluster, wanted, std::max(item.created, item.modified), file});
    }
    std::sort(claims.begin(), claims.end(), [](const claim_s &a, const claim_s &b) { return a.first < b.first; });
    return claims;
}

// Last claim first, so that the free clusters after a claim are read once
// for every claim before it that runs into them; each walk stops at what its
// own stated size needs.
void find_reach(std::vector<claim_s> &claims, fat_usage_reader_c &fat, uint32_t data_end)
{
    // The free run that starts at region_first is known up to frontier; it
    // ends there when exact, else it was not read further.
    uint64_t region_first = data_end, frontier = data_end;
    bool exact = true;
    for (size_t i = claims.size(); i-- > 0;) {
        claim_s &c = claims[i];
        if (c.first >= data_end)
            continue;
        const uint64_t limit = std::min<uint64_t>(uint64_t{c.first} + c.wanted, data_end);
        uint64_t end = c.first;
        while (end < limit && end < region_first && !fat.in_use(static_cast<uint32_t>(end)))
            ++end;
        if (end == region_first) {
            while (!exact && frontier < limit) {
                if (fat.in_use(static_cast<uint32_t>(frontier)))
                    exact = true;
                else
                    ++frontier;
            }
            exact = exact || frontier >= data_end;
            end = std::min(frontier, limit);
        } else {
            frontier = end;
            exact = end < limit;
        }
        region_first = c.first;
        c.reach = end - c.first;
    }
}

// A file's data ends at the latest where the next record not written
// before it begins.
void find_held(std::vector<claim_s> &claims)
{
    for (size_t i = 0; i < claims.size(); ++i) {
        claim_s &c = claims[i];
        uint64_t end = c.first + c.reach;
        for (size_t j = i + 1; j < claims.size() && claims[j].first < end; ++j)
            if (!written_before(claims[j], c))
                end = claims[j].first;
        c.held = end - c.first;
    }
}

// Clusters of c's run that a file starting before it, and not written
// before it, may have been written over.
uint64_t covered_from_below(const claim_s &c, const std::vector<const claim_s *> &running)
{
    uint64_t covered = 0;
    for (const claim_s *other : running)
        if (!written_before(*other, c))
            covered = std::max(covered, std::min(c.first + c.held, other->first + other->reach) - c.first);
    return covered;
}

recovery_state_e file_state(const claim_s &c, uint64_t covered, uint32_t data_end)
{
    if (c.item->stated_size == 0)
        return recovery_state_e::intact;
    if (c.first >= data_end)
        return recovery_state_e::no_data;
    // What lies past the run is in use, missing, or another file's.
    return state_of_clusters_in_use(c.wanted - c.held + covered, c.wanted);
}

} // namespace

void mark_fat_states(fat_volume_s &vol, fat_store_t &store)
{
    if (!vol.mounted())
        return;
    const uint64_t cluster_bytes = uint64_t{vol.geometry.cluster_sectors} * sector_bytes;
    const uint32_t data_end = fat_entries_held(vol);
    std::vector<claim_s> claims = claims_of(store, cluster_bytes);
    fat_usage_reader_c fat(vol);
    find_reach(claims, fat, data_end);
    find_held(claims);

    std::vector<const claim_s *> running; // deleted files whose runs reach past the current first cluster
    for (const claim_s &c : claims) {
        running.erase(std::remove_if(running.begin(), running.end(),
                                     [&](const claim_s *r) { return r->first + r->reach <= c.first; }),
                      running.end());
        if (!c.file)
            continue;
        c.item->state = file_state(c, covered_from_below(c, running), data_end);
        c.item->size_capped = c.item->stated_size > c.held * cluster_bytes;
        c.item->size = c.item->size_capped ? static_cast<quint32>(c.held * cluster_bytes) : c.item->stated_size;
        if (c.reach > 0)
            running.push_back(&c);
    }
}
