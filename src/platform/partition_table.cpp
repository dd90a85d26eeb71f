#include "partition_table.h"

#include <algorithm>
#include <cstdio>

#include "le_bytes.h"
#include "mbr_layout.h"
#include "partition_table_parts.h"

bool read_sector(block_device_c &device, uint64_t lba, uint32_t sector_size, std::vector<uint8_t> &out)
{
    if (sector_size == 0 || lba >= device.size() / sector_size)
        return false;
    out.assign(sector_size, 0);
    return device.read_exact(lba * sector_size, out.data(), out.size());
}

void place_partition(partition_table_s &table, partition_entry_s &entry, uint64_t device_size)
{
    const uint64_t device_sectors = device_size / table.sector_size;
    const std::string name = "partition " + std::to_string(entry.number);
    entry.start_byte = entry.first_sector * table.sector_size;
    if (entry.first_sector >= device_sectors) {
        entry.past_end = true;
        table.problems.push_back(name + " starts past the end of the disk");
        return;
    }
    uint64_t count = std::min(entry.sector_count, device_sectors - entry.first_sector);
    entry.truncated = count < entry.sector_count;
    entry.length_bytes = count * table.sector_size;
    if (entry.truncated)
        table.problems.push_back(name + " ends past the end of the disk");
}

namespace {

// How many of the table's pointers land on something signed 55 AA (an EBR or
// a boot sector) when sectors are `sector_size` bytes; -1 when an entry would
// start past the end of the disk.
int mbr_plausibility(block_device_c &device, const std::vector<uint8_t> &sector0, uint32_t sector_size)
{
    const uint64_t device_sectors = device.size() / sector_size;
    int score = 0;
    std::vector<uint8_t> sector;
    for (size_t slot = 0; slot < mbr_entry_count; ++slot) {
        const mbr_entry_fields_s e = decode_mbr_entry(sector0.data(), slot);
        if (!e.used())
            continue;
        const uint64_t first = e.first_lba;
        if (first >= device_sectors)
            return -1;
        if (read_sector(device, first, sector_size, sector) &&
            le16_at(sector.data() + mbr_boot_signature_offset) == mbr_boot_signature)
            ++score;
    }
    return score;
}

constexpr uint32_t guessed_sizes[] = {512, 4096};
constexpr uint32_t max_sector_size = 65536;

uint32_t guess_sector_size(block_device_c &device, const std::vector<uint8_t> &sector0, uint32_t own)
{
    for (uint32_t candidate : guessed_sizes)
        if (has_gpt_signature(device, candidate))
            return candidate;
    uint32_t best = own;
    int best_score = mbr_plausibility(device, sector0, own);
    for (uint32_t candidate : guessed_sizes) {
        int score = mbr_plausibility(device, sector0, candidate);
        if (score > best_score) {
            best = candidate;
            best_score = score;
        }
    }
    return best;
}

} // namespace

bool read_partition_table(block_device_c &device, partition_table_s &out, std::string *error,
                          const partition_read_options_s &options)
{
    out = partition_table_s{};
    uint32_t own = options.sector_size ? options.sector_size : device.sector_size();
    if (own < mbr_size || own > max_sector_size || own % mbr_size != 0) {
        if (error)
            *error = "unsupported sector size " + std::to_string(own);
        return false;
    }
    std::vector<uint8_t> sector0(mbr_size);
    if (!device.read_exact(0, sector0.data(), sector0.size())) {
        if (error)
            *error = "cannot read the first sector";
        return false;
    }
    if (!looks_like_mbr(sector0))
        return true;
    out.sector_size = options.guess_sector_size ? guess_sector_size(device, sector0, own) : own;
    if (has_protective_entry(sector0)) {
        // A protective or hybrid MBR: the GPT is the table, as for the kernel.
        if (!read_gpt_table(device, out))
            out.problems.push_back("protective MBR without a valid GPT");
    } else {
        read_mbr_table(device, sector0, out);
    }
    std::sort(out.partitions.begin(), out.partitions.end(),
              [](const partition_entry_s &a, const partition_entry_s &b) { return a.number < b.number; });
    return true;
}

std::string format_guid(const guid_bytes_t &g)
{
    char text[37];
    snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", le32_at(g.data()),
             le16_at(g.data() + 4), le16_at(g.data() + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}
