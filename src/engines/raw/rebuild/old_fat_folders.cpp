#include "old_fat_folders.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

#include "engines/fat/fat_recovery.h"
#include "libfat/fat_dir.h"
#include "libfat/fat_entry_check.h"

using namespace fat_layout;

namespace {

constexpr uint32_t no_cluster_end = 0x0FFFFFF7; // the first value no FAT32 cluster takes
constexpr uint32_t max_folder_clusters = 64;     // the reader's one-sector FAT chains at most 126

uint32_t entry_cluster(const uint8_t *e)
{
    return le16_at(e + entry::cluster_low) | uint32_t{le16_at(e + entry::cluster_high)} << 16;
}

bool place_ok(const old_fat_layout_s &l, const old_fat_folder_s &f)
{
    return l.cluster_bytes && f.offset >= l.data_start &&
        f.offset - l.data_start == uint64_t{f.cluster - 2} * l.cluster_bytes;
}

bool is_power_of_two(uint64_t v)
{
    return v && !(v & (v - 1));
}

// One sound entry of an old folder, as the FAT reader gives it.
struct old_entry_s {
    std::u16string name;
    fat_file_info_s info;
};

// The geometry of the volume the old folders belonged to, where the reader
// finds the clusters of one folder.
struct old_volume_s {
    std::shared_ptr<block_device_c> device;
    old_fat_layout_s layout;
    uint32_t clusters_end = 0; // one past the last cluster the device holds
    uint64_t place(uint32_t cluster) const { return layout.data_start + uint64_t{cluster - 2} * layout.cluster_bytes; }
};

// The folder's clusters: its first and, while a cluster is full, the next
// one when it reads as entries too and starts no other folder (a folder
// written in one go lies in consecutive clusters; the FAT that said so is
// gone).
std::vector<uint8_t> folder_clusters(const old_volume_s &v, uint32_t first,
                                     const std::unordered_map<uint32_t, size_t> &folder_at)
{
    const fat_entry_bounds_s bounds{fat32, v.clusters_end, uint64_t{v.clusters_end - 2} * v.layout.cluster_bytes};
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> cluster(v.layout.cluster_bytes);
    for (uint32_t n = 0; n < max_folder_clusters && first + n < v.clusters_end; ++n) {
        if (n > 0 && folder_at.count(first + n))
            break;
        if (!v.device->read_exact(v.place(first + n), cluster.data(), cluster.size()))
            break;
        if (n > 0 && !fat_folder_start_ok(cluster.data(), cluster.size(), 0, bounds))
            break;
        bytes.insert(bytes.end(), cluster.begin(), cluster.end());
        bool ended = false;
        for (size_t at = 0; at < cluster.size() && !ended; at += entry_bytes)
            ended = cluster[at] == entry::end_marker;
        if (ended)
            break;
    }
    return bytes;
}

// The live entries of one old folder, read by the FAT reader from a copy of
// its clusters chained in a FAT of their own.
std::vector<old_entry_s> read_folder(const old_volume_s &v, uint32_t first,
                                     const std::unordered_map<uint32_t, size_t> &folder_at)
{
    const std::vector<uint8_t> clusters = folder_clusters(v, first, folder_at);
    const uint32_t count = static_cast<uint32_t>(clusters.size() / v.layout.cluster_bytes);
    if (count == 0)
        return {};
    std::vector<uint8_t> image(sector_bytes, 0);
    for (uint32_t c = 2; c < count + 2; ++c) {
        const uint32_t next = c + 1 < count + 2 ? c + 1 : 0x0FFFFFFF;
        memcpy(image.data() + 4 * c, &next, 4);
    }
    image.insert(image.end(), clusters.begin(), clusters.end());
    fat_volume_s copy;
    fat_bind_volume(copy, std::make_shared<memory_device_c>(std::move(image)));
    copy.geometry.type = fat32;
    copy.geometry.cluster_sectors = static_cast<uint8_t>(v.layout.cluster_bytes / sector_bytes);
    copy.geometry.fat_count = 1;
    copy.geometry.fat_entries = v.clusters_end;
    copy.geometry.fat_sectors = 1;
    copy.geometry.total_sectors = 1 + uint64_t{count} * copy.geometry.cluster_sectors;
    copy.geometry.fat_start = 0;
    copy.geometry.root_base = 2;
    copy.geometry.data_start = 1;
    copy.mount_id = 1;
    fat_dir_s dir;
    dir.vol = &copy;
    dir.mount_id = 1;
    dir.start_cluster = 2;
    std::vector<old_entry_s> entries;
    char16_t long_name[fat_long_name_units];
    if (fat_read_dir(dir, nullptr) != fr_ok)
        return entries;
    for (;;) {
        old_entry_s e;
        e.info.long_name = long_name;
        e.info.long_name_size = fat_long_name_units;
        if (fat_read_dir(dir, &e.info) != fr_ok || e.info.short_name[0] == 0)
            break;
        if (e.info.attributes & 0x40)
            continue; // deleted before the format: its first cluster's chain was gone already
        e.name = long_name[0] ? std::u16string(long_name) : std::u16string(e.info.short_name);
        e.info.long_name = nullptr;
        entries.push_back(std::move(e));
    }
    return entries;
}

std::u16string lost_folder_name(uint32_t cluster)
{
    const std::string text = "folder " + std::to_string(cluster);
    return std::u16string(text.begin(), text.end());
}

// Breaks every cycle of parent links by hanging one of its folders from the
// root; each folder is walked once.
void break_cycles(std::vector<rebuilt_folder_s> &folders)
{
    enum : uint8_t { unseen, on_path, done };
    std::vector<uint8_t> mark(folders.size(), unseen);
    mark[0] = done;
    std::vector<uint32_t> path;
    for (uint32_t start = 1; start < folders.size(); ++start) {
        uint32_t at = start;
        while (mark[at] == unseen) {
            mark[at] = on_path;
            path.push_back(at);
            at = folders[at].parent;
        }
        if (mark[at] == on_path)
            folders[at].parent = 0;
        for (uint32_t p : path)
            mark[p] = done;
        path.clear();
    }
}

} // namespace

bool old_fat_folder_at(const uint8_t *sector, uint64_t offset, old_fat_folder_s &out)
{
    if (memcmp(sector, ".          ", entry::name_length) != 0 ||
        memcmp(sector + entry_bytes, "..         ", entry::name_length) != 0)
        return false;
    const uint32_t cluster = entry_cluster(sector);
    const fat_entry_bounds_s any{fat32, no_cluster_end, UINT64_MAX};
    if (cluster < 2 || !fat_folder_start_ok(sector, 2 * entry_bytes, cluster, any))
        return false;
    out = {offset, cluster, entry_cluster(sector + entry_bytes)};
    return true;
}

old_fat_layout_s old_fat_layout(const std::vector<old_fat_folder_s> &folders, old_fat_layout_s boot_layout)
{
    std::vector<const old_fat_folder_s *> sorted;
    sorted.reserve(folders.size());
    for (const old_fat_folder_s &f : folders)
        sorted.push_back(&f);
    std::sort(sorted.begin(), sorted.end(), [](auto *a, auto *b) {
        return a->cluster != b->cluster ? a->cluster < b->cluster : a->offset < b->offset;
    });
    // Neighbours by cluster number vote for the layout that places both.
    std::map<std::pair<uint64_t, uint32_t>, size_t> votes;
    for (size_t i = 1; i < sorted.size(); ++i) {
        const old_fat_folder_s &a = *sorted[i - 1], &b = *sorted[i];
        if (b.cluster == a.cluster || b.offset <= a.offset)
            continue;
        const uint64_t delta = b.offset - a.offset, clusters = b.cluster - a.cluster;
        const uint64_t bytes = delta / clusters;
        if (delta % clusters || !is_power_of_two(bytes) || bytes < sector_bytes || bytes > (256u << 10))
            continue;
        const uint64_t back = uint64_t{a.cluster - 2} * bytes;
        if (back <= a.offset)
            ++votes[{a.offset - back, static_cast<uint32_t>(bytes)}];
    }
    std::vector<std::pair<size_t, old_fat_layout_s>> ranked;
    for (const auto &[layout, count] : votes)
        ranked.push_back({count, old_fat_layout_s{layout.first, layout.second}});
    std::sort(ranked.begin(), ranked.end(), [](auto &a, auto &b) { return a.first > b.first; });
    std::vector<old_fat_layout_s> candidates;
    if (boot_layout.cluster_bytes)
        candidates.push_back(boot_layout);
    for (size_t i = 0; i < ranked.size() && i < 4; ++i)
        candidates.push_back(ranked[i].second);
    old_fat_layout_s best{};
    size_t best_count = 0;
    for (const old_fat_layout_s &l : candidates) {
        const size_t placed = static_cast<size_t>(
            std::count_if(folders.begin(), folders.end(), [&](const old_fat_folder_s &f) { return place_ok(l, f); }));
        if (placed > best_count) {
            best = l;
            best_count = placed;
        }
    }
    return best;
}

rebuilt_tree_s rebuild_old_fat(std::shared_ptr<block_device_c> device, std::vector<old_fat_folder_s> folders)
{
    rebuilt_tree_s tree;
    if (!device || folders.empty())
        return tree;
    fat_volume_s now;
    fat_bind_volume(now, device);
    old_fat_layout_s boot{};
    if (fat_find_volume(now) == fr_ok)
        boot = {now.geometry.data_start * sector_bytes, uint32_t{now.geometry.cluster_sectors} * uint32_t{sector_bytes}};
    old_volume_s v{device, old_fat_layout(folders, boot)};
    if (!v.layout.cluster_bytes || v.layout.data_start >= device->size())
        return tree;
    v.clusters_end = static_cast<uint32_t>(
        std::min<uint64_t>(no_cluster_end, 2 + (device->size() - v.layout.data_start) / v.layout.cluster_bytes));
    // The current FAT speaks for the clusters only when it counts them the same way.
    const bool fat_now = boot.cluster_bytes == v.layout.cluster_bytes && boot.data_start == v.layout.data_start;
    auto used_now = [&](uint32_t cluster) {
        const uint32_t next = fat_now ? fat_next_cluster(now, cluster) : 0;
        return next != 0 && next != 1;
    };

    std::unordered_map<uint32_t, size_t> folder_at; // first cluster -> index in tree.folders
    std::vector<old_fat_folder_s> kept;
    for (const old_fat_folder_s &f : folders)
        if (place_ok(v.layout, f) && f.cluster < v.clusters_end && !folder_at.count(f.cluster) && !used_now(f.cluster)) {
            folder_at[f.cluster] = kept.size() + 1;
            kept.push_back(f);
        }
    folders.clear();
    tree.folders.resize(kept.size() + 1);
    std::vector<bool> named(tree.folders.size(), false);
    for (size_t i = 0; i < kept.size(); ++i) {
        const old_fat_folder_s &f = kept[i];
        const auto parent = folder_at.find(f.parent);
        tree.folders[i + 1].parent = parent == folder_at.end() ? 0 : static_cast<uint32_t>(parent->second);
        for (old_entry_s &e : read_folder(v, f.cluster, folder_at)) {
            const int64_t modified = fat_recovery_c::fat_time(e.info.modified_date, e.info.modified_time);
            if (e.info.attributes & 0x10) {
                const auto child = folder_at.find(e.info.cluster);
                if (child == folder_at.end() || kept[child->second - 1].parent != f.cluster ||
                    named[child->second])
                    continue;
                named[child->second] = true;
                tree.folders[child->second].name = std::move(e.name);
                tree.folders[child->second].modified = modified;
                continue;
            }
            rebuilt_file_s file;
            file.folder = static_cast<uint32_t>(i + 1);
            file.name = std::move(e.name);
            file.size = e.info.size;
            file.modified = modified;
            file.created = fat_recovery_c::fat_time(e.info.created_date, e.info.created_time);
            const uint32_t first = e.info.cluster;
            if (file.size && first >= 2 && first < v.clusters_end) {
                const uint64_t at = v.place(first);
                file.held = std::min<uint64_t>(file.size, device->size() - at);
                file.stretches.push_back({at, file.held});
                const uint64_t clusters = (file.held + v.layout.cluster_bytes - 1) / v.layout.cluster_bytes;
                for (uint64_t c = 0; fat_now && c < clusters && first + c < v.clusters_end; ++c)
                    if (used_now(static_cast<uint32_t>(first + c)))
                        file.in_use += v.layout.cluster_bytes;
                file.in_use = std::min(file.in_use, file.held);
            }
            tree.files.push_back(std::move(file));
        }
    }
    for (size_t i = 1; i < tree.folders.size(); ++i)
        if (!named[i])
            tree.folders[i].name = lost_folder_name(kept[i - 1].cluster);
    break_cycles(tree.folders);
    return tree;
}
