#include "exfat_volume.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "exfat_layout.h"
#include "platform/le_bytes.h"

using namespace exfat_layout;

// No folder may be larger (and no table is read past it either).
static constexpr uint64_t max_directory_bytes = 256u << 20;
static constexpr uint32_t fat_bad = 0xFFFFFFF7u;
static constexpr uint32_t fat_block_entries = 16384;

uint64_t exfat_extent_s::clusters() const
{
    uint64_t n = 0;
    for (const exfat_run_s &r : runs)
        n += r.count;
    return n;
}

bool exfat_volume_c::read(uint64_t offset, void *buffer, size_t len) const
{
    return device_ && device_->read_exact(offset, buffer, len);
}

bool exfat_volume_c::read_boot_region(uint64_t first_sector, uint32_t sector_bytes, exfat_geometry_s &g)
{
    std::vector<uint8_t> region(size_t{sector_bytes} * boot_region_sectors);
    if (!read(first_sector * sector_bytes, region.data(), region.size()))
        return false;
    exfat_geometry_s parsed;
    if (parse_exfat_boot(region.data(), sector_bytes, parsed) != 0 || parsed.sector_bytes() != sector_bytes ||
        !exfat_boot_checksum_ok(region.data(), sector_bytes))
        return false;
    g = parsed;
    return true;
}

int exfat_volume_c::open(std::shared_ptr<block_device_c> device)
{
    device_ = std::move(device);
    notes_.clear();
    bitmap_.clear();
    upcase_ = exfat_upcase_c();
    backup_boot_ = false;
    fat_block_first_ = UINT64_MAX;
    if (!device_)
        return exfat_read_error;
    uint8_t first[boot::min_bytes];
    if (!read(0, first, sizeof first))
        return exfat_read_error;
    exfat_geometry_s g;
    const uint8_t shift = first[boot::sector_shift];
    bool found = shift >= 9 && shift <= 12 && read_boot_region(0, 1u << shift, g);
    // The main region's sector size cannot be trusted once it is damaged.
    for (uint8_t s = 9; !found && s <= 12; ++s)
        if (read_boot_region(backup_region_sector, 1u << s, g))
            found = backup_boot_ = true;
    if (!found)
        return exfat_no_file_system;
    geometry_ = g;
    if (backup_boot_)
        notes_.push_back("the boot region is damaged; its backup copy was read");
    load_tables();
    return exfat_ok;
}

void exfat_volume_c::load_tables()
{
    std::vector<exfat_run_s> runs;
    bool ended = false;
    follow_chain(geometry_.root_cluster, max_directory_bytes / geometry_.cluster_bytes() + 1, runs, ended);
    std::vector<uint8_t> root;
    read_runs(runs, max_directory_bytes, root);
    const bool second = geometry_.volume_flags & 1;
    bool bitmap_seen = false, upcase_seen = false;
    for (size_t at = 0; at + entry_bytes <= root.size() && root[at] != end_of_directory; at += entry_bytes) {
        const uint8_t *e = root.data() + at;
        const uint32_t first = le32_at(e + table::first_cluster);
        const uint64_t length = le64_at(e + table::data_length);
        if (e[0] == type_bitmap && !bitmap_seen && (e[1] & 1) == (second ? 1 : 0)) {
            bitmap_seen = true;
            const uint64_t needed = (uint64_t{geometry_.cluster_count} + 7) / 8;
            exfat_extent_s ex = extent(first, length, false, false);
            std::vector<uint8_t> bits;
            if (length >= needed && read_runs(ex.runs, needed, bits) && bits.size() == needed)
                bitmap_ = std::move(bits);
        } else if (e[0] == type_upcase && !upcase_seen) {
            upcase_seen = true;
            exfat_extent_s ex = extent(first, length, false, false);
            std::vector<uint8_t> table;
            if (length <= 2 * 0x10000 + 4 && read_runs(ex.runs, length, table) && table.size() == length)
                upcase_.load(table.data(), table.size(), le32_at(e + 4));
        }
    }
    if (!bitmap_loaded())
        notes_.push_back("the allocation bitmap cannot be read; no cluster is known to be free");
    if (!upcase_.loaded())
        notes_.push_back("the up-case table cannot be read; name hashes were not checked");
}

uint32_t exfat_volume_c::fat_entry(uint32_t cluster)
{
    const exfat_geometry_s &g = geometry_;
    if (cluster >= g.cluster_end())
        return fat_bad;
    std::lock_guard<std::mutex> lock(fat_lock_);
    const uint64_t block = cluster / fat_block_entries * fat_block_entries;
    if (block != fat_block_first_) {
        const uint64_t entries = std::min<uint64_t>(fat_block_entries, g.cluster_end() - block);
        fat_block_.resize(static_cast<size_t>(entries * 4));
        const uint32_t active = (g.volume_flags & 1) && g.fat_count == 2 ? 1 : 0;
        const uint64_t fat_start = (uint64_t{g.fat_offset} + uint64_t{active} * g.fat_length) << g.sector_shift;
        fat_block_first_ = read(fat_start + block * 4, fat_block_.data(), fat_block_.size()) ? block : UINT64_MAX;
        if (fat_block_first_ == UINT64_MAX)
            return fat_bad;
    }
    return le32_at(fat_block_.data() + (cluster - block) * 4);
}

bool exfat_volume_c::in_use(uint32_t cluster) const
{
    if (!geometry_.in_heap(cluster) || bitmap_.empty())
        return true;
    const uint32_t bit = cluster - 2;
    return bitmap_[bit / 8] & (1u << (bit % 8));
}

uint64_t exfat_volume_c::free_clusters() const
{
    if (bitmap_.empty())
        return 0;
    uint64_t used = 0;
    const uint32_t count = geometry_.cluster_count;
    for (uint32_t i = 0; i < count / 8; ++i)
        used += static_cast<uint64_t>(__builtin_popcount(bitmap_[i]));
    for (uint32_t i = count / 8 * 8; i < count; ++i)
        used += (bitmap_[i / 8] >> (i % 8)) & 1;
    return count - used;
}

bool exfat_volume_c::follow_chain(uint32_t first, uint64_t limit, std::vector<exfat_run_s> &runs, bool &ended)
{
    runs.clear();
    ended = false;
    std::map<uint32_t, uint32_t> taken; // first cluster -> count of every run but the last
    uint32_t cluster = first;
    limit = std::min<uint64_t>(limit, geometry_.cluster_count);
    for (uint64_t n = 0; n < limit; ++n) {
        if (!geometry_.in_heap(cluster))
            return false;
        // A step onto a cluster already in the chain is a loop.
        if (!taken.empty()) {
            auto after = taken.upper_bound(cluster);
            if (after != taken.begin() && std::prev(after)->first + std::prev(after)->second > cluster)
                return false;
        }
        if (!runs.empty() && runs.back().first + runs.back().count == cluster) {
            ++runs.back().count;
        } else {
            if (!runs.empty()) {
                const exfat_run_s &last = runs.back();
                if (cluster >= last.first && cluster < last.first + last.count)
                    return false;
                taken[last.first] = last.count;
            }
            runs.push_back({cluster, 1});
        }
        const uint32_t next = fat_entry(cluster);
        if (next == 0xFFFFFFFFu) {
            ended = true;
            return true;
        }
        cluster = next;
    }
    return true;
}

exfat_extent_s exfat_volume_c::extent(uint32_t first_cluster, uint64_t data_length, bool no_fat_chain, bool deleted)
{
    exfat_extent_s ex;
    const uint64_t cb = geometry_.cluster_bytes();
    ex.wanted = data_length / cb + (data_length % cb != 0);
    if (ex.wanted == 0)
        return ex;
    if (!geometry_.in_heap(first_cluster)) {
        ex.outside = true;
        return ex;
    }
    const uint64_t room = geometry_.cluster_end() - first_cluster;
    if (!no_fat_chain) {
        std::vector<exfat_run_s> chain;
        bool ended = false;
        const bool whole = follow_chain(first_cluster, ex.wanted, chain, ended);
        uint64_t held = 0;
        for (const exfat_run_s &r : chain)
            held += r.count;
        bool fits = whole && held == ex.wanted;
        if (deleted)
            for (size_t i = 0; fits && i < chain.size(); ++i)
                for (uint32_t c = 0; fits && c < chain[i].count; ++c)
                    fits = !in_use(chain[i].first + c);
        if (!deleted || fits) {
            ex.chain_broken = !fits;
            ex.cut = held < ex.wanted;
            ex.runs = std::move(chain);
            return ex;
        }
    }
    const uint64_t count = std::min(ex.wanted, room);
    ex.runs.push_back({first_cluster, static_cast<uint32_t>(count)});
    ex.cut = count < ex.wanted;
    return ex;
}

bool exfat_volume_c::read_runs(const std::vector<exfat_run_s> &runs, uint64_t max_bytes, std::vector<uint8_t> &out) const
{
    out.clear();
    const uint64_t cb = geometry_.cluster_bytes();
    for (const exfat_run_s &r : runs) {
        if (out.size() >= max_bytes)
            break;
        const uint64_t bytes = std::min<uint64_t>(uint64_t{r.count} * cb, max_bytes - out.size());
        const uint64_t offset = geometry_.cluster_offset(r.first);
        if (offset + bytes > device_bytes())
            return false; // past the device: nothing to allocate for
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(bytes));
        if (!read(offset, out.data() + at, static_cast<size_t>(bytes))) {
            out.resize(at);
            return false;
        }
    }
    return true;
}
