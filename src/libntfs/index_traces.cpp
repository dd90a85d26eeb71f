#include "index_traces.h"

#include <algorithm>
#include <memory>
#include <set>

#include "mft_record.h"
#include "ntfs_scan.h"

namespace {

const char16_t i30_units[] = u"$I30";
const byte_view_s i30_name{reinterpret_cast<const uint8_t *>(i30_units), 8};

constexpr size_t block_header_size = sizeof(ntfs_index_block_s);
constexpr size_t key_header_size = sizeof(ntfs_file_name_s);
// Index blocks are a few KiB; anything outside this range is damage.
constexpr uint32_t min_block_size = 512, max_block_size = 64u << 10;
// A directory index larger than this is damage, not a directory.
constexpr uint64_t max_index_bytes = 1ull << 30;
// Index blocks are read in groups of about this many bytes: few reads, and
// small enough to come from the heap rather than from fresh pages each time.
constexpr uint64_t group_bytes = 64u << 10;

// FILETIMEs of 1970-01-01 and 2200-01-01: stale keys outside are noise.
constexpr uint64_t earliest_time = 116444736000000000ull;
constexpr uint64_t latest_time = 189025920000000000ull;
// Attribute bits a $FILE_NAME key can carry.
constexpr uint32_t known_attributes = 0x007FFFFF | 0x30000000;
constexpr uint64_t max_file_size = 1ull << 50;

bool plausible_time(uint64_t t)
{
    return t >= earliest_time && t < latest_time;
}

bool reserved_in_win32(char16_t c)
{
    switch (c) {
    case u'\\':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
        return true;
    default:
        return false;
    }
}

// Read where it lies: most keys are stale copies of live entries, and a
// string built for each only to be dropped cost more than the check.
bool plausible_name(const uint8_t *units, size_t count, uint8_t name_space)
{
    const bool win32 = name_space != 0;
    for (size_t i = 0; i < count; ++i) {
        char16_t c;
        memcpy(&c, units + 2 * i, 2);
        if (c < 0x20 || c == u'/' || (win32 && reserved_in_win32(c)))
            return false;
    }
    return count > 0;
}

// The entry header in front of a key, when it still describes that key.
uint64_t entry_reference(byte_view_s block, size_t key_pos, size_t key_length)
{
    ntfs_index_entry_s entry;
    if (key_pos < sizeof entry || !read_struct(block, key_pos - sizeof entry, entry))
        return 0;
    if (entry.key_length != key_length || entry.length < sizeof entry + key_length || entry.length % 8 != 0)
        return 0;
    return entry.file_reference;
}

uint32_t index_block_size(const std::vector<attribute_s> &attributes)
{
    data_stream_s root = find_stream(attributes, ntfs_attr_index_root, i30_name);
    ntfs_index_root_s value;
    if (!root.found || !root.resident || !read_struct(root.value, 0, value))
        return 0;
    const uint32_t size = value.block_size;
    if (size < min_block_size || size > max_block_size || (size & (size - 1)) != 0)
        return 0;
    return size;
}

// Which index blocks are in use; empty when the index has no readable bitmap.
std::vector<uint8_t> read_block_bitmap(ntfs_volume_c &volume, const std::vector<attribute_s> &attributes,
                                       uint64_t blocks)
{
    data_stream_s bitmap = find_stream(attributes, ntfs_attr_bitmap, i30_name);
    if (!bitmap.found)
        return {};
    if (bitmap.resident)
        return std::vector<uint8_t>(bitmap.value.data, bitmap.value.data + bitmap.value.size);
    std::vector<uint8_t> bytes(std::min<uint64_t>(bitmap.data_size, (blocks + 7) / 8));
    if (bitmap.runs_damaged || volume.read_stream(bitmap.runs, 0, bytes.data(), bytes.size()) != ntfs_ok)
        return {};
    return bytes;
}

bool block_in_use(const std::vector<uint8_t> &bitmap, uint64_t block)
{
    if (bitmap.empty())
        return true;
    return block / 8 < bitmap.size() && (bitmap[block / 8] >> (block % 8) & 1);
}

// Most positions of the slack fail on the parent: it is looked at before
// anything else.
bool names_parent(byte_view_s block, size_t pos, uint64_t directory)
{
    uint64_t parent = 0;
    return read_struct(block, pos, parent) && (parent & ntfs_reference_mask) == directory;
}

// Where the stale part of a block starts: past the live entries of a block
// in use, at the first entry of a block the index let go of.
size_t slack_start(byte_view_s block, bool in_use)
{
    ntfs_index_header_s header;
    size_t start = block_header_size + sizeof header;
    if (!read_struct(block, block_header_size, header))
        return block.size;
    if (header.entries_offset >= sizeof header && header.entries_offset < block.size - block_header_size)
        start = block_header_size + header.entries_offset;
    if (in_use && header.index_length < block.size - block_header_size)
        start = std::max(start, block_header_size + header.index_length);
    return start;
}

trace_times_t times_of(const index_trace_s &t)
{
    return {t.key.created, t.key.modified, t.key.mft_changed};
}

bool is_short(const index_trace_s &t)
{
    return t.key.name_space == ntfs_namespace_dos;
}

// What one directory's search gathers.
struct block_finds_s {
    std::vector<index_trace_s> traces;
    std::vector<trace_times_t> dropped_long; // for the short names' twins
};

void scan_block(byte_view_s block, bool in_use, uint64_t directory, uint16_t sequence,
                const trace_described_f &described, block_finds_s &out)
{
    // The header of the entry that stood at the end marker's place is
    // overwritten, so a key may start right where the slack starts.
    index_trace_s trace;
    for (size_t pos = (slack_start(block, in_use) + 7) & ~size_t(7); pos + key_header_size <= block.size;) {
        if (!names_parent(block, pos, directory) || !read_index_trace(block, pos, directory, sequence, trace)) {
            pos += 8;
            continue;
        }
        pos += (key_header_size + 2 * trace.name.size() + 7) & ~size_t(7);
        // Most slack holds stale copies of live entries, left by the index
        // moving entries between blocks: dropped here, their names are
        // never copied out.
        if (described && trace.reference != 0 && described(trace.reference)) {
            if (!is_short(trace))
                out.dropped_long.push_back(times_of(trace));
            continue;
        }
        out.traces.push_back(std::move(trace));
    }
}

} // namespace

bool read_index_trace(byte_view_s block, size_t pos, uint64_t directory, uint16_t sequence, index_trace_s &out)
{
    if (!names_parent(block, pos, directory))
        return false;
    ntfs_file_name_s key;
    if (!read_struct(block, pos, key))
        return false;
    // A deleted directory's record has its sequence moved on by one.
    const uint16_t parent_sequence = static_cast<uint16_t>(key.parent_reference >> 48);
    if (parent_sequence != sequence && static_cast<uint16_t>(parent_sequence + 1) != sequence)
        return false;
    if (key.name_length == 0 || key.name_space > ntfs_namespace_last ||
        !block.covers(pos + key_header_size, 2u * key.name_length))
        return false;
    if (!plausible_time(key.created) || !plausible_time(key.modified) || !plausible_time(key.mft_changed) ||
        !plausible_time(key.accessed) || (key.file_attributes & ~known_attributes) != 0 ||
        key.data_size > max_file_size || key.allocated_size > max_file_size)
        return false;
    const uint8_t *units = block.data + pos + key_header_size;
    if (!plausible_name(units, key.name_length, key.name_space))
        return false;
    memcpy(&out.key, &key, sizeof key);
    out.name.resize(key.name_length);
    memcpy(out.name.data(), units, 2u * key.name_length);
    out.reference = entry_reference(block, pos, key_header_size + 2u * key.name_length);
    return true;
}

bool has_index_allocation(const std::vector<attribute_s> &attributes)
{
    return std::any_of(attributes.begin(), attributes.end(), [](const attribute_s &a) {
        return a.type == ntfs_attr_index_allocation && a.non_resident && a.lowest_vcn == 0 && has_name(a, i30_name);
    });
}

std::vector<index_trace_s> find_index_traces(ntfs_volume_c &volume, const file_record_s &directory,
                                             const trace_described_f &described, const std::atomic<bool> *cancel)
{
    block_finds_s finds;
    const uint32_t block_size = index_block_size(directory.attributes);
    data_stream_s allocation = find_stream(directory.attributes, ntfs_attr_index_allocation, i30_name);
    if (!block_size || !allocation.found || allocation.resident || allocation.runs.empty())
        return {};
    const uint64_t blocks = std::min(allocation.data_size, max_index_bytes) / block_size;
    const std::vector<uint8_t> bitmap = read_block_bitmap(volume, directory.attributes, blocks);
    // Blocks are read a group at a time; a group that cannot be read whole
    // is read again block by block.
    const uint64_t group_blocks = std::max<uint64_t>(1, group_bytes / block_size);
    // Not zeroed first: only bytes a read filled are looked at.
    const std::unique_ptr<uint8_t[]> group(new uint8_t[std::min(group_blocks, blocks) * block_size]);
    for (uint64_t first = 0; first < blocks; first += group_blocks) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return {};
        const uint64_t count = std::min(group_blocks, blocks - first);
        const bool whole =
            volume.read_stream(allocation.runs, first * block_size, group.get(), count * block_size) == ntfs_ok;
        for (uint64_t b = first; b < first + count; ++b) {
            uint8_t *block = group.get() + (b - first) * block_size;
            // Unreadable or torn blocks are passed over; the rest still count.
            if ((!whole && volume.read_stream(allocation.runs, b * block_size, block, block_size) != ntfs_ok) ||
                !apply_fixups(block, block_size, "INDX"))
                continue;
            scan_block({block, block_size}, block_in_use(bitmap, b), directory.number, directory.header.sequence,
                       described, finds);
        }
    }
    drop_short_twins(finds.traces, finds.dropped_long);
    return std::move(finds.traces);
}

// The two keys of one file carry the same times; a set of the long names'
// times keeps this quick in a folder of many thousand traces.
void drop_short_twins(std::vector<index_trace_s> &traces, const std::vector<trace_times_t> &dropped_long)
{
    if (std::none_of(traces.begin(), traces.end(), is_short))
        return;
    std::set<trace_times_t> long_names(dropped_long.begin(), dropped_long.end());
    for (const index_trace_s &t : traces)
        if (!is_short(t))
            long_names.insert(times_of(t));
    traces.erase(std::remove_if(traces.begin(), traces.end(),
                                [&](const index_trace_s &t) { return is_short(t) && long_names.count(times_of(t)); }),
                 traces.end());
}
