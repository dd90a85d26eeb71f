#include <algorithm>
#include <cstring>
#include <zlib.h>

#include "gpt_copy.h"
#include "gpt_layout.h"
#include "le_bytes.h"
#include "partition_table_parts.h"

uint32_t gpt_crc32(const uint8_t *data, size_t len)
{
    return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), data, static_cast<uInt>(len)));
}

namespace {

struct gpt_header_fields_s {
    uint64_t current_lba = 0;
    uint64_t first_usable = 0;
    uint64_t last_usable = 0;
    uint64_t entries_lba = 0;
    uint32_t entry_count = 0;
    uint32_t entry_size = 0;
    uint32_t entries_crc = 0;
    guid_bytes_t disk_guid{};
};

// Checks one header and its entry array; fills `entries` on success.
bool read_gpt_fields(block_device_c &device, uint64_t lba, uint32_t sector_size, gpt_header_fields_s &h,
                     std::vector<uint8_t> &entries, std::vector<uint8_t> *header_sector = nullptr)
{
    std::vector<uint8_t> sector;
    if (!read_sector(device, lba, sector_size, sector) || sector.size() < gpt_header_size)
        return false;
    if (header_sector)
        *header_sector = sector;
    if (memcmp(sector.data(), gpt_signature, sizeof gpt_signature) != 0)
        return false;
    uint32_t header_size = le32_at(sector.data() + gpt_header_header_size);
    if (header_size < gpt_header_size || header_size > sector_size)
        return false;
    uint32_t stored_crc = le32_at(sector.data() + gpt_header_header_crc32);
    put_le32(sector.data() + gpt_header_header_crc32, 0);
    if (gpt_crc32(sector.data(), header_size) != stored_crc)
        return false;

    const uint64_t last_lba = device.size() / sector_size - 1;
    h.current_lba = le64_at(sector.data() + gpt_header_current_lba);
    h.first_usable = le64_at(sector.data() + gpt_header_first_usable_lba);
    h.last_usable = le64_at(sector.data() + gpt_header_last_usable_lba);
    h.entries_lba = le64_at(sector.data() + gpt_header_entries_lba);
    h.entry_count = le32_at(sector.data() + gpt_header_entry_count);
    h.entry_size = le32_at(sector.data() + gpt_header_entry_size);
    h.entries_crc = le32_at(sector.data() + gpt_header_entries_crc32);
    std::copy_n(sector.data() + gpt_header_disk_guid, 16, h.disk_guid.begin());
    if (h.current_lba != lba || h.first_usable > h.last_usable || h.last_usable > last_lba)
        return false;
    if (h.entry_size < gpt_min_entry_size || h.entry_size % 8 != 0)
        return false;
    uint64_t array_bytes = uint64_t(h.entry_count) * h.entry_size;
    if (array_bytes > gpt_max_entry_array_bytes || h.entries_lba > last_lba ||
        array_bytes > (last_lba - h.entries_lba + 1) * sector_size)
        return false;
    entries.assign(array_bytes, 0);
    if (!device.read_exact(h.entries_lba * sector_size, entries.data(), entries.size()))
        return false;
    return gpt_crc32(entries.data(), entries.size()) == h.entries_crc;
}

} // namespace

bool read_gpt_copy(block_device_c &device, uint64_t lba, uint32_t sector_size, gpt_copy_s &out)
{
    gpt_header_fields_s h;
    return read_gpt_fields(device, lba, sector_size, h, out.entries, &out.header);
}

bool has_gpt_signature(block_device_c &device, uint32_t sector_size)
{
    std::vector<uint8_t> sector;
    return read_sector(device, 1, sector_size, sector) &&
        memcmp(sector.data(), gpt_signature, sizeof gpt_signature) == 0;
}

bool read_gpt_table(block_device_c &device, partition_table_s &out)
{
    out.scheme = partition_scheme_e::gpt;
    const uint32_t ss = out.sector_size;
    if (device.size() / ss < 3)
        return false;
    const uint64_t last_lba = device.size() / ss - 1;
    gpt_header_fields_s h;
    std::vector<uint8_t> entries;
    if (!read_gpt_fields(device, 1, ss, h, entries)) {
        if (!read_gpt_fields(device, last_lba, ss, h, entries))
            return false;
        out.gpt_from_backup = true;
        out.problems.push_back("primary GPT is damaged; the backup copy was used");
    }
    out.disk_guid = h.disk_guid;
    for (uint32_t i = 0; i < h.entry_count; ++i) {
        const uint8_t *p = entries.data() + size_t(i) * h.entry_size;
        partition_entry_s entry;
        std::copy_n(p + gpt_entry_type_guid, 16, entry.gpt_type.begin());
        if (entry.gpt_type == guid_bytes_t{})
            continue;
        uint64_t first = le64_at(p + gpt_entry_first_lba);
        uint64_t last = le64_at(p + gpt_entry_last_lba);
        entry.number = static_cast<int>(i) + 1;
        if (first > last) {
            out.problems.push_back("GPT entry " + std::to_string(entry.number) + " ends before it starts");
            continue;
        }
        entry.first_sector = first;
        entry.sector_count = last - first + 1;
        place_partition(out, entry, device.size());
        out.partitions.push_back(entry);
    }
    return true;
}
