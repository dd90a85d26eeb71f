#include "old_mft_records.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "libntfs/cluster_bitmap.h"
#include "libntfs/file_record.h"
#include "libntfs/index_traces.h"
#include "libntfs/mft_record.h"
#include "libntfs/ntfs_layout.h"
#include "libntfs/record_summary.h"

namespace {

constexpr size_t sector = 512;
constexpr uint64_t root_record = 5;
constexpr uint64_t first_user_record = 16; // below: the file system's own files
constexpr size_t record_number_field = 44; // u32, where the update sequence starts at 48 or later
// A larger cluster bitmap is damage (it maps 2^35 clusters).
constexpr uint64_t max_bitmap_bytes = 4ull << 30;
// Fewer records than this at one distance are stray copies, not an MFT of their own.
constexpr size_t min_mft_records = 4;

bool is_power_of_two(uint64_t v)
{
    return v && !(v & (v - 1));
}

// The bytes a record's or index block's update sequence protects; 0 when implausible.
size_t protected_size(const uint8_t *bytes, size_t len)
{
    ntfs_index_block_s h;
    if (!read_struct(byte_view_s{bytes, len}, 0, h) || h.usa_count < 2)
        return 0;
    const size_t size = size_t{h.usa_count - 1u} * sector;
    return size >= 1024 && size <= (64u << 10) && is_power_of_two(size) && size <= len ? size : 0;
}

// Where bytes [from, from + length) of a record lie on the device: the last
// two of every sector lie in the update sequence array.
std::vector<rebuilt_stretch_s> device_stretches(uint64_t record_offset, uint16_t usa_offset, size_t from,
                                                size_t length)
{
    std::vector<rebuilt_stretch_s> out;
    auto add = [&](uint64_t at, uint64_t n) {
        if (!out.empty() && out.back().offset + out.back().length == at)
            out.back().length += n;
        else
            out.push_back({at, n});
    };
    for (size_t pos = from, end = from + length; pos < end;) {
        const size_t s = pos / sector, tail = (s + 1) * sector - 2;
        if (pos < tail) {
            const size_t n = std::min(end, tail) - pos;
            add(record_offset + pos, n);
            pos += n;
        } else {
            add(record_offset + usa_offset + 2 + 2 * s + (pos - tail), 1);
            ++pos;
        }
    }
    return out;
}

bool newer(uint16_t a, uint16_t b)
{
    return static_cast<int16_t>(a - b) > 0;
}

using group_t = std::unordered_map<uint64_t, const old_mft_record_s *>; // by record number

// The cluster size a group's data runs count in: the boot sector's when it
// places the group's own $MFT record, else the one that record implies.
uint32_t group_cluster_size(const group_t &group, uint64_t base, uint32_t boot_cluster)
{
    const auto mft = group.find(0);
    if (mft != group.end() && !mft->second->runs.empty() && mft->second->runs[0].lcn > 0) {
        const uint64_t lcn = static_cast<uint64_t>(mft->second->runs[0].lcn);
        if (boot_cluster && lcn * boot_cluster == base)
            return boot_cluster;
        if (base % lcn == 0 && is_power_of_two(base / lcn) && base / lcn >= sector && base / lcn <= (2u << 20))
            return static_cast<uint32_t>(base / lcn);
    }
    return boot_cluster ? boot_cluster : 4096;
}

std::u16string lost_folder_name(uint64_t number)
{
    const std::string text = "folder " + std::to_string(number);
    return std::u16string(text.begin(), text.end());
}

// Builds one MFT's folders and files into tree.
class group_builder_c {
public:
    group_builder_c(const group_t &group, const std::unordered_map<uint64_t, old_index_name_s> &index_names,
                    rebuilt_tree_s &tree)
        : group_(group), index_names_(index_names), tree_(tree)
    {}

    // The tree folder of record number (sequence 0: any); made, with the
    // folders above it, on first need.
    uint32_t folder_of(uint64_t number, uint16_t sequence)
    {
        struct step_s {
            uint64_t number;
            std::u16string name;
            int64_t modified;
        };
        std::vector<step_s> chain;
        std::unordered_set<uint64_t> on_chain;
        uint32_t at = 0;
        for (;;) {
            if (number == root_record)
                break;
            if (const auto known = made_.find(number); known != made_.end()) {
                at = known->second;
                break;
            }
            if (!on_chain.insert(number).second)
                break; // a cycle: its top hangs from the root
            const auto record = group_.find(number);
            if (record != group_.end() && record->second->directory &&
                (sequence == 0 || record->second->sequence == sequence)) {
                const old_mft_record_s &r = *record->second;
                chain.push_back({number, r.name, r.modified});
                number = r.parent;
                sequence = r.parent_sequence;
                continue;
            }
            const auto named = index_names_.find(number);
            if (named != index_names_.end() && (sequence == 0 || named->second.sequence == sequence)) {
                chain.push_back({number, named->second.name, 0});
                number = named->second.parent;
                sequence = named->second.parent_sequence;
                continue;
            }
            at = add_folder(0, lost_folder_name(number), 0);
            made_[number] = at;
            break;
        }
        for (auto step = chain.rbegin(); step != chain.rend(); ++step) {
            at = add_folder(at, std::move(step->name), step->modified);
            made_[step->number] = at;
        }
        return at;
    }

    void add_file(const old_mft_record_s &r, uint32_t cluster_size, uint64_t device_size,
                  const cluster_bitmap_c *in_use)
    {
        rebuilt_file_s file;
        file.folder = folder_of(r.parent, r.parent_sequence);
        file.name = r.name;
        file.size = r.size;
        file.modified = r.modified;
        file.created = r.created;
        if (r.resident) {
            file.stretches = r.resident_bytes;
            file.held = r.size;
        } else if (r.readable) {
            uint64_t left = r.size;
            for (const run_s &run : r.runs) {
                if (left == 0)
                    break;
                const uint64_t length = std::min<uint64_t>(left, run.length * cluster_size);
                if (run.lcn == sparse_lcn) {
                    file.stretches.push_back({zeros_offset, length});
                } else {
                    const uint64_t at = uint64_t(run.lcn) * cluster_size;
                    if (at >= device_size)
                        break;
                    const uint64_t kept = std::min(length, device_size - at);
                    file.stretches.push_back({at, kept});
                    if (in_use)
                        file.in_use += std::min(kept, in_use->count_in_use(uint64_t(run.lcn), (kept + cluster_size - 1) /
                                                                                                  cluster_size) *
                                                          cluster_size);
                    if (kept < length) {
                        file.held += kept;
                        break;
                    }
                }
                file.held += length;
                left -= length;
            }
        }
        tree_.files.push_back(std::move(file));
    }

private:
    uint32_t add_folder(uint32_t parent, std::u16string name, int64_t modified)
    {
        tree_.folders.push_back({parent, std::move(name), modified});
        return static_cast<uint32_t>(tree_.folders.size() - 1);
    }

    const group_t &group_;
    const std::unordered_map<uint64_t, old_index_name_s> &index_names_;
    rebuilt_tree_s &tree_;
    std::unordered_map<uint64_t, uint32_t> made_;
};

} // namespace

bool old_mft_record_at(const uint8_t *bytes, size_t len, uint64_t offset, old_mft_record_s &out)
{
    if (len < sector || memcmp(bytes, "FILE", 4) != 0)
        return false;
    const size_t size = protected_size(bytes, len);
    ntfs_record_header_s h;
    if (!size || !read_struct(byte_view_s{bytes, len}, 0, h))
        return false;
    if (h.bytes_allocated != size || h.bytes_in_use > size || h.attrs_offset % 8 ||
        h.attrs_offset < h.usa_offset + 2u * h.usa_count || h.attrs_offset + 8u > h.bytes_in_use)
        return false;
    if (!(h.flags & ntfs_record_in_use) || (h.base_record & ntfs_reference_mask) != 0)
        return false;
    std::vector<uint8_t> copy(bytes, bytes + size);
    if (!apply_fixups(copy.data(), size))
        return false;
    file_record_s record;
    record.base = {copy.data(), size};
    const bool numbered = h.usa_offset >= record_number_field + 4;
    record.number = numbered ? le32_at(copy.data() + record_number_field) : 0;
    if (!read_record_header(record.base, record.header) || offset < record.number * size)
        return false;
    parse_attributes(record.base, record.attributes);
    chosen_name_s name;
    ntfs_scan_record summary{};
    if (!pick_file_name(record.attributes, name) || !summarize_record(record, summary))
        return false;
    out = old_mft_record_s{};
    out.offset = offset;
    out.number = record.number;
    out.record_size = static_cast<uint32_t>(size);
    out.numbered = numbered;
    out.mft_base = offset - record.number * size;
    out.sequence = h.sequence;
    out.directory = (h.flags & ntfs_record_is_directory) != 0;
    out.parent = name.header.parent_reference & ntfs_reference_mask;
    out.parent_sequence = static_cast<uint16_t>(name.header.parent_reference >> 48);
    out.name.resize(name.name.size / 2);
    memcpy(out.name.data(), name.name.data, out.name.size() * 2);
    out.modified = summary.first_time;
    out.created = summary.second_time;
    out.size = summary.size;
    if (out.directory)
        return true;
    const data_stream_s data = find_data_stream(record.attributes);
    if (data.found && data.resident) {
        out.resident = out.readable = true;
        out.resident_bytes = device_stretches(offset, h.usa_offset, data.value.data - copy.data(), data.value.size);
    } else if (data.found) {
        out.readable =
            !data.runs_damaged && !(data.flags & (ntfs_attr_flag_compressed | ntfs_attr_flag_encrypted));
        out.runs = data.runs;
        out.size = data.data_size;
    }
    return true;
}

bool old_index_names_at(const uint8_t *bytes, size_t len, std::unordered_map<uint64_t, old_index_name_s> &names)
{
    if (len < sector || memcmp(bytes, "INDX", 4) != 0)
        return false;
    const size_t size = protected_size(bytes, len);
    if (!size)
        return false;
    std::vector<uint8_t> copy(bytes, bytes + size);
    ntfs_index_header_s header;
    const byte_view_s block{copy.data(), size};
    const size_t base = sizeof(ntfs_index_block_s);
    if (!apply_fixups(copy.data(), size, "INDX") || !read_struct(block, base, header))
        return false;
    const size_t end = std::min<uint64_t>(size, uint64_t{base} + header.index_length);
    for (size_t pos = base + header.entries_offset; pos + sizeof(ntfs_index_entry_s) <= end;) {
        ntfs_index_entry_s entry;
        read_struct(block, pos, entry);
        if (entry.length < sizeof entry || entry.length % 8 || entry.length > end - pos || (entry.flags & 2))
            break; // damage, or the last entry, which holds no key
        ntfs_file_name_s key;
        index_trace_s trace;
        const size_t at = pos + sizeof entry;
        if (entry.key_length >= sizeof key && read_struct(block, at, key) &&
            (key.file_attributes & ntfs_file_attribute_directory) && key.name_space != ntfs_namespace_dos &&
            read_index_trace(block, at, key.parent_reference & ntfs_reference_mask,
                             static_cast<uint16_t>(key.parent_reference >> 48), trace))
            names[entry.file_reference & ntfs_reference_mask] = {
                static_cast<uint16_t>(entry.file_reference >> 48), key.parent_reference & ntfs_reference_mask,
                static_cast<uint16_t>(key.parent_reference >> 48), std::move(trace.name)};
        pos += entry.length;
    }
    return true;
}

old_mft_c::old_mft_c(std::shared_ptr<block_device_c> device)
{
    int32_t error = 0;
    if (device)
        now_ = ntfs_volume_c::open(std::move(device), &error);
}

bool old_mft_c::current(const old_mft_record_s &r) const
{
    if (!now_ || r.record_size != now_->geometry().record_size)
        return false;
    const uint64_t cluster = now_->geometry().cluster_size, pos = r.number * r.record_size;
    if (r.number >= now_->record_count())
        return false;
    const std::vector<run_s> &runs = now_->mft_runs();
    const long i = find_run(runs, pos / cluster);
    return i >= 0 && runs[i].lcn >= 0 && uint64_t(runs[i].lcn) * cluster + (pos - runs[i].vcn * cluster) == r.offset;
}

void old_mft_c::look_at(uint64_t offset, const uint8_t *bytes, size_t len)
{
    if (bytes[0] == 'F') {
        // The volume's own records are passed over before they are parsed.
        old_mft_record_s r;
        r.offset = offset;
        r.record_size = static_cast<uint32_t>(protected_size(bytes, len));
        if (len >= sector && le16_at(bytes + 4) >= record_number_field + 4) {
            r.number = le32_at(bytes + record_number_field);
            if (current(r))
                return;
        }
        if (!old_mft_record_at(bytes, len, offset, r))
            return;
        if (!r.numbered) {
            unnumbered_.push_back(std::move(r));
            return;
        }
        auto [it, added] = records_.try_emplace({r.mft_base, r.number});
        if (added || newer(r.sequence, it->second.sequence))
            it->second = std::move(r);
    } else if (bytes[0] == 'I') {
        old_index_names_at(bytes, len, index_names_);
    }
}

rebuilt_tree_s old_mft_c::rebuild(std::shared_ptr<block_device_c> device) const
{
    rebuilt_tree_s tree;
    if (!device || (records_.empty() && unnumbered_.empty()))
        return tree;
    const uint32_t boot_cluster = now_ ? now_->geometry().cluster_size : 0;
    cluster_bitmap_c bitmap;
    const bool bitmap_read = now_ && bitmap.load(*now_, max_bitmap_bytes);
    // Records by the MFT they lie in.
    std::unordered_map<uint64_t, group_t> by_base;
    for (const auto &[key, r] : records_)
        by_base[r.mft_base][r.number] = &r;
    // A record that does not say its number takes it from the closest MFT
    // start before it (the volume's own MFT's among them).
    std::vector<uint64_t> bases;
    for (const auto &[base, group] : by_base)
        bases.push_back(base);
    if (now_ && !now_->mft_runs().empty() && now_->mft_runs()[0].lcn >= 0)
        bases.push_back(uint64_t(now_->mft_runs()[0].lcn) * boot_cluster);
    std::sort(bases.begin(), bases.end());
    std::vector<old_mft_record_s> placed;
    placed.reserve(unnumbered_.size());
    for (const old_mft_record_s &r : unnumbered_) {
        auto after = std::upper_bound(bases.begin(), bases.end(), r.offset);
        while (after != bases.begin() && (r.offset - *(after - 1)) % r.record_size != 0)
            --after;
        if (after == bases.begin())
            continue;
        old_mft_record_s copy = r;
        copy.mft_base = *(after - 1);
        copy.number = (r.offset - copy.mft_base) / r.record_size;
        copy.numbered = true;
        if (current(copy))
            continue;
        placed.push_back(std::move(copy));
        const old_mft_record_s &p = placed.back();
        auto [slot, added] = by_base[p.mft_base].try_emplace(p.number, &p);
        if (!added && newer(p.sequence, slot->second->sequence))
            slot->second = &p;
    }
    if (by_base.empty())
        return tree;
    // Stray copies join the largest MFT, the newest of each number kept.
    auto largest = std::max_element(by_base.begin(), by_base.end(),
                                    [](auto &a, auto &b) { return a.second.size() < b.second.size(); });
    group_t &main = largest->second;
    for (auto it = by_base.begin(); it != by_base.end();) {
        if (it == largest || it->second.size() >= min_mft_records) {
            ++it;
            continue;
        }
        for (const auto &[number, r] : it->second) {
            auto [slot, added] = main.try_emplace(number, r);
            if (!added && newer(r->sequence, slot->second->sequence))
                slot->second = r;
        }
        it = by_base.erase(it);
    }
    for (const auto &[base, group] : by_base) {
        group_builder_c builder(group, index_names_, tree);
        const uint32_t cluster = group_cluster_size(group, base, boot_cluster);
        // In record order, so that the tree comes out the same on every run.
        std::vector<const old_mft_record_s *> records;
        for (const auto &[number, r] : group)
            if (number >= first_user_record && (r->parent == root_record || r->parent >= first_user_record))
                records.push_back(r);
        std::sort(records.begin(), records.end(), [](auto *a, auto *b) { return a->number < b->number; });
        // The bitmap counts in the volume's clusters; another size is another file system's.
        const cluster_bitmap_c *in_use = bitmap_read && cluster == boot_cluster ? &bitmap : nullptr;
        for (const old_mft_record_s *r : records) {
            if (r->directory)
                builder.folder_of(r->number, r->sequence);
            else
                builder.add_file(*r, cluster, device->size(), in_use);
        }
    }
    return tree;
}
