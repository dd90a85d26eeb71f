#include "index_trace_pass.h"

#include "record_summary.h"

namespace {

uint64_t mix(uint64_t x)
{
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// A hash of the parent's record number and the name's UTF-16 units, eight
// bytes a step: a byte at a time took as long as parsing the record.
uint64_t name_key(uint64_t parent, const uint8_t *name, size_t bytes)
{
    uint64_t h = mix(parent) ^ bytes;
    for (; bytes >= 8; name += 8, bytes -= 8) {
        uint64_t word;
        memcpy(&word, name, 8);
        h = mix(h ^ word);
    }
    uint64_t tail = 0;
    memcpy(&tail, name, bytes);
    return mix(h ^ tail);
}

uint64_t trace_key(const index_trace_s &trace, uint64_t directory)
{
    return name_key(directory, reinterpret_cast<const uint8_t *>(trace.name.data()), 2 * trace.name.size());
}

} // namespace

index_trace_pass_c::index_trace_pass_c(ntfs_volume_c &volume, uint64_t record_count,
                                       const std::atomic<bool> &slow_reads)
    : volume_(volume), slots_(record_count, slot_e::unknown), sequences_(record_count, 0), next_id_(record_count),
      finder_(
          volume, [this](uint64_t reference) { return described_by_record_walked(reference); }, slow_reads)
{}

void index_trace_pass_c::note_header(uint64_t number, const record_header_info_s &header)
{
    if (number >= slots_.size())
        return;
    slots_[number] = (header.flags & ntfs_record_in_use) ? slot_e::in_use : slot_e::free;
    sequences_[number] = header.sequence;
    // Numbers come in order: this slot is final now, for the finder too.
    walked_.store(number + 1, std::memory_order_release);
}

void index_trace_pass_c::note_names(const std::vector<byte_view_s> &file_name_values)
{
    // Every name of the record counts: hard links and the short name too.
    for (const byte_view_s value : file_name_values) {
        ntfs_file_name_s fn;
        if (read_struct(value, 0, fn) && value.covers(sizeof fn, 2u * fn.name_length))
            names_seen_.push_back(
                name_key(fn.parent_reference & ntfs_reference_mask, value.data + sizeof fn, 2u * fn.name_length));
    }
}

void index_trace_pass_c::note_described(const file_record_s &record)
{
    file_name_values_.clear();
    for (const attribute_s &a : record.attributes)
        if (a.type == ntfs_attr_file_name && !a.non_resident)
            file_name_values_.push_back(a.value);
    note_names(file_name_values_);
    // A bare $MFT extract has no index blocks behind its run lists.
    if ((record.header.flags & ntfs_record_is_directory) && has_index_allocation(record.attributes) &&
        volume_.has_data_clusters())
        finder_.add(record.number);
}

bool index_trace_pass_c::described_by_record(uint64_t reference) const
{
    const uint64_t number = reference & ntfs_reference_mask;
    const uint16_t sequence = static_cast<uint16_t>(reference >> 48);
    if (reference == 0 || number >= slots_.size())
        return false;
    // A live file renamed or moved, or a deleted one whose record still
    // holds it (deleting moves the sequence on by one).
    const uint16_t now = sequences_[number];
    if (slots_[number] == slot_e::in_use && now == sequence)
        return true;
    return slots_[number] == slot_e::free && (now == sequence || now == static_cast<uint16_t>(sequence + 1));
}

bool index_trace_pass_c::described_by_record_walked(uint64_t reference) const
{
    const uint64_t number = reference & ntfs_reference_mask;
    return number < walked_.load(std::memory_order_acquire) && described_by_record(reference);
}

bool index_trace_pass_c::already_described(const index_trace_s &trace, uint64_t directory)
{
    if (described_by_record(trace.reference))
        return true;
    if (!names_seen_.empty()) {
        // At one go once the walk is over: inserting them one by one while
        // the records stream through the cache costs a miss each.
        name_keys_.reserve(names_seen_.size());
        for (uint64_t key : names_seen_)
            name_keys_.insert(key);
        names_seen_ = {};
    }
    const uint64_t key = trace_key(trace, directory);
    return name_keys_.contains(key) || !reported_.insert(key);
}

bool index_trace_pass_c::next(ntfs_scan_record &out)
{
    for (;;) {
        while (next_trace_ < traces_.size()) {
            const index_trace_s &trace = traces_[next_trace_++];
            if (already_described(trace, current_directory_))
                continue;
            out.id = next_id_++;
            out.parent_id = current_directory_;
            out.sequence = trace.reference >> 48;
            const bool directory = trace.key.file_attributes & ntfs_file_attribute_directory;
            out.flags = (directory ? ntfs_record_flag_directory : ntfs_record_flag_file) | ntfs_record_flag_deleted;
            out.size = directory ? 0 : trace.key.data_size;
            out.data_state = ntfs_data_none; // no record maps its clusters any more
            out.first_time = ntfs_time_to_unix(trace.key.modified);
            out.second_time = ntfs_time_to_unix(trace.key.created);
            copy_record_name(out, trace.name.data(), trace.name.size());
            return true;
        }
        if (next_directory_ >= finder_.count()) {
            release();
            return false;
        }
        current_directory_ = finder_.directory(next_directory_);
        traces_ = finder_.take(next_directory_++);
        next_trace_ = 0;
    }
}

void index_trace_pass_c::release()
{
    finder_.stop();
    slots_ = {};
    sequences_ = {};
    names_seen_ = {};
    name_keys_ = {};
    reported_ = {};
    traces_ = {};
}
