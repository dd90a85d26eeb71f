#include "data_state.h"

#include <algorithm>

#include "ntfs_scan.h"
#include "ntfs_volume.h"

uint8_t data_usage_s::state() const
{
    if (verdict != ntfs_data_intact)
        return verdict;
    if (used == 0)
        return ntfs_data_intact;
    return used >= mapped ? ntfs_data_used : ntfs_data_partly_used;
}

data_usage_s record_data_usage(const ntfs_volume_c &volume, const cluster_bitmap_c *bitmap, const file_record_s &record,
                               int64_t written, std::vector<data_extent_s> &extents)
{
    data_usage_s usage;
    const data_stream_s data = find_data_stream(record.attributes);
    if (!data.found || data.resident || data.data_size == 0)
        return usage;
    if (!volume.has_data_clusters() || data.runs_damaged) {
        usage.verdict = ntfs_data_none;
        return usage;
    }
    if (!bitmap) {
        usage.verdict = ntfs_data_unchecked;
        return usage;
    }
    const ntfs_geometry_s &g = volume.geometry();
    const uint64_t held = volume.held_clusters();
    const uint64_t needed = (data.data_size + g.cluster_size - 1) / g.cluster_size;
    const size_t first_extent = extents.size();
    for (const run_s &run : data.runs) {
        if (run.vcn >= needed)
            break;
        const uint64_t length = std::min(run.length, needed - run.vcn);
        if (run.lcn == sparse_lcn)
            continue;
        const uint64_t lcn = static_cast<uint64_t>(run.lcn);
        // Past the volume's end or past the end of a cut image: not there.
        if (lcn >= held || length > held - lcn) {
            extents.resize(first_extent);
            usage = data_usage_s{};
            usage.verdict = ntfs_data_none;
            return usage;
        }
        usage.mapped += length;
        usage.used += bitmap->count_in_use(lcn, length);
        extents.push_back({lcn, length, written, record.number});
    }
    return usage;
}

void count_later_claims(std::vector<data_extent_s> extents, const cluster_bitmap_c &bitmap,
                        std::unordered_map<uint64_t, data_usage_s> &usage)
{
    std::sort(extents.begin(), extents.end(),
              [](const data_extent_s &a, const data_extent_s &b) { return a.lcn < b.lcn; });
    // Every overlapping pair is met once, from the extent that starts first.
    for (size_t i = 0; i < extents.size(); ++i) {
        const data_extent_s &a = extents[i];
        for (size_t j = i + 1; j < extents.size() && extents[j].lcn < a.lcn + a.length; ++j) {
            const data_extent_s &b = extents[j];
            if (a.record == b.record || a.written == b.written)
                continue;
            const data_extent_s &older = a.written < b.written ? a : b;
            const uint64_t lo = b.lcn, hi = std::min(a.lcn + a.length, b.lcn + b.length);
            auto it = usage.find(older.record);
            if (it == usage.end())
                continue;
            data_usage_s &u = it->second;
            // Clusters in use are counted already.
            u.used = std::min(u.mapped, u.used + (hi - lo) - bitmap.count_in_use(lo, hi - lo));
        }
    }
}
