#include "file_record.h"

#include <algorithm>

#include "ntfs_layout.h"
#include "ntfs_scan.h"
#include "ntfs_volume.h"

namespace {

// An attribute list longer than this is damage, not a real file.
constexpr uint64_t max_attribute_list = 4u << 20;

bool read_attribute_list(ntfs_volume_c &volume, const attribute_s &attr, std::vector<uint8_t> &out)
{
    if (!attr.non_resident) {
        out.assign(attr.value.data, attr.value.data + attr.value.size);
        return true;
    }
    std::vector<run_s> runs;
    if (attr.lowest_vcn != 0 || attr.data_size > max_attribute_list || !decode_run_list(attr.mapping_pairs, 0, runs))
        return false;
    out.resize(attr.data_size);
    return volume.read_stream(runs, 0, out.data(), out.size()) == ntfs_ok;
}

// Record numbers other than the base that the list names, each once.
std::vector<uint64_t> extension_numbers(const std::vector<uint8_t> &list, uint64_t base)
{
    std::vector<uint64_t> numbers;
    byte_view_s bytes{list.data(), list.size()};
    size_t pos = 0;
    ntfs_attr_list_entry_s entry;
    while (read_struct(bytes, pos, entry) && entry.length >= sizeof entry && bytes.covers(pos, entry.length)) {
        uint64_t number = entry.record_reference & ntfs_reference_mask;
        if (number != base && std::find(numbers.begin(), numbers.end(), number) == numbers.end())
            numbers.push_back(number);
        pos += entry.length;
    }
    return numbers;
}

} // namespace

bool read_base_record(ntfs_volume_c &volume, uint64_t number, file_record_s &out)
{
    if (!volume.read_record(number, out.own_base))
        return false;
    out.base = {out.own_base.data(), out.own_base.size()};
    return true;
}

bool gather_attributes(ntfs_volume_c &volume, file_record_s &out)
{
    out.attributes.clear();
    out.extensions.clear();
    if (!read_record_header(out.base, out.header))
        return false;
    parse_attributes(out.base, out.attributes);
    auto list_attr = std::find_if(out.attributes.begin(), out.attributes.end(),
                                  [](const attribute_s &a) { return a.type == ntfs_attr_attribute_list; });
    if (list_attr == out.attributes.end())
        return true;
    std::vector<uint8_t> list;
    if (!read_attribute_list(volume, *list_attr, list))
        return true;
    for (uint64_t number : extension_numbers(list, out.number)) {
        std::vector<uint8_t> record;
        record_header_info_s header;
        if (!volume.read_record(number, record) || !read_record_header({record.data(), record.size()}, header) ||
            header.base_record != out.number)
            continue;
        out.extensions.push_back(std::move(record));
        const std::vector<uint8_t> &kept = out.extensions.back();
        parse_attributes({kept.data(), kept.size()}, out.attributes);
    }
    return true;
}

bool load_file_record(ntfs_volume_c &volume, uint64_t number, file_record_s &out)
{
    out.number = number;
    if (!read_base_record(volume, number, out) || !gather_attributes(volume, out))
        return false;
    return out.header.base_record == 0;
}

bool has_name(const attribute_s &a, byte_view_s name)
{
    return a.name.size == name.size && (name.size == 0 || memcmp(a.name.data, name.data, name.size) == 0);
}

data_stream_s find_data_stream(const std::vector<attribute_s> &attributes)
{
    return find_stream(attributes, ntfs_attr_data, {});
}

data_stream_s find_stream(const std::vector<attribute_s> &attributes, uint32_t type, byte_view_s name)
{
    data_stream_s stream;
    std::vector<const attribute_s *> pieces;
    for (const attribute_s &a : attributes) {
        if (a.type != type || !has_name(a, name))
            continue;
        if (!a.non_resident) {
            stream.found = true;
            stream.resident = true;
            stream.value = a.value;
            stream.data_size = stream.initialized_size = a.value.size;
            return stream;
        }
        pieces.push_back(&a);
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const attribute_s *x, const attribute_s *y) { return x->lowest_vcn < y->lowest_vcn; });
    if (pieces.empty() || pieces.front()->lowest_vcn != 0)
        return stream;
    const attribute_s &first = *pieces.front();
    stream.found = true;
    stream.flags = first.flags;
    stream.compression_unit = first.compression_unit;
    stream.data_size = first.data_size;
    stream.initialized_size = std::min(first.initialized_size, first.data_size);
    for (const attribute_s *piece : pieces) {
        uint64_t expected = stream.runs.empty() ? 0 : stream.runs.back().vcn + stream.runs.back().length;
        if (piece->lowest_vcn != expected || !decode_run_list(piece->mapping_pairs, piece->lowest_vcn, stream.runs)) {
            stream.runs_damaged = true;
            break;
        }
    }
    return stream;
}
