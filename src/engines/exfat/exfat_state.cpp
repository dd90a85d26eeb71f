#include "exfat_state.h"

#include <algorithm>
#include <unordered_map>

namespace {

struct span_s {
    uint64_t first, end; // clusters [first, end)
    qint64 written;      // the later of the file's two times; 0 when unknown
    exfat_item_s *item;
};

bool written_before(const span_s &a, const span_s &b)
{
    return a.written > 0 && b.written > 0 && a.written < b.written;
}

// Clusters of each file that a deleted file written after it also claims.
std::unordered_map<exfat_item_s *, uint64_t> later_claims(std::vector<span_s> spans)
{
    std::sort(spans.begin(), spans.end(), [](const span_s &a, const span_s &b) { return a.first < b.first; });
    std::unordered_map<exfat_item_s *, uint64_t> claimed;
    for (size_t i = 0; i < spans.size(); ++i)
        for (size_t j = i + 1; j < spans.size() && spans[j].first < spans[i].end; ++j) {
            const uint64_t shared = std::min(spans[i].end, spans[j].end) - spans[j].first;
            if (written_before(spans[i], spans[j]))
                claimed[spans[i].item] += shared;
            else if (written_before(spans[j], spans[i]))
                claimed[spans[j].item] += shared;
        }
    return claimed;
}

} // namespace

void mark_exfat_states(exfat_volume_c &vol, exfat_store_t &store)
{
    const uint64_t cb = vol.geometry().cluster_bytes();
    std::vector<span_s> spans;
    std::unordered_map<exfat_item_s *, uint64_t> in_use;
    for (exfat_item_s &item : store) {
        if (item.is_folder() || !item.is_deleted() || item.stated_size == 0)
            continue;
        exfat_extent_s ex = vol.extent(item.first_cluster, item.stated_size, item.no_fat_chain, true);
        const uint64_t held = ex.clusters();
        item.size_capped = held < ex.wanted;
        item.size = item.size_capped ? held * cb : item.stated_size;
        if (held == 0) {
            item.state = recovery_state_e::no_data;
            continue;
        }
        const qint64 written = std::max(item.created, item.modified);
        uint64_t used = 0;
        for (const exfat_run_s &r : ex.runs) {
            for (uint32_t c = 0; c < r.count; ++c)
                used += vol.in_use(r.first + c);
            spans.push_back({r.first, uint64_t{r.first} + r.count, written, &item});
        }
        // A cut file is short of what it needs: the missing clusters count as lost.
        in_use[&item] = used + (ex.wanted - held);
        item.runs = std::move(ex.runs);
    }
    const std::unordered_map<exfat_item_s *, uint64_t> claimed = later_claims(std::move(spans));
    for (auto &[item, used] : in_use) {
        const auto later = claimed.find(item);
        const uint64_t wanted = (item->stated_size + cb - 1) / cb;
        const uint64_t lost = std::min(wanted, used + (later == claimed.end() ? 0 : later->second));
        item->state = state_of_clusters_in_use(lost, wanted);
    }
}
