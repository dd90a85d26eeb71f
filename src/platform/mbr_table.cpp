#include <set>

#include "le_bytes.h"
#include "mbr_layout.h"
#include "partition_table_parts.h"

namespace {

// Past this many EBRs the chain is treated as hostile; the kernel stops
// numbering partitions long before.
constexpr int max_ebr_chain = 256;

void add_entry(partition_table_s &out, const mbr_entry_fields_s &e, int number, uint64_t first_sector,
               uint64_t device_size, bool logical)
{
    partition_entry_s entry;
    entry.number = number;
    entry.first_sector = first_sector;
    entry.sector_count = e.sector_count;
    entry.mbr_type = e.type;
    entry.bootable = e.status == mbr_status_active;
    entry.extended = mbr_type_is_extended(e.type);
    entry.logical = logical;
    place_partition(out, entry, device_size);
    out.partitions.push_back(entry);
}

// Walks the EBR chain of the extended partition that starts at ext_first.
void read_logicals(block_device_c &device, uint64_t ext_first, uint64_t ext_count, partition_table_s &out)
{
    const uint64_t device_size = device.size();
    std::set<uint64_t> visited;
    uint64_t ebr_lba = ext_first;
    uint64_t ebr_count = ext_count;
    int number = 5;
    std::vector<uint8_t> sector;
    for (int hops = 0;; ++hops) {
        if (hops == max_ebr_chain) {
            out.problems.push_back("extended partition chain too long");
            return;
        }
        if (!visited.insert(ebr_lba).second) {
            out.problems.push_back("extended partition chain loops back to sector " + std::to_string(ebr_lba));
            return;
        }
        if (!read_sector(device, ebr_lba, out.sector_size, sector) ||
            le16_at(sector.data() + mbr_boot_signature_offset) != mbr_boot_signature) {
            if (hops > 0)
                out.problems.push_back("extended boot record at sector " + std::to_string(ebr_lba) + " is unreadable");
            return;
        }
        // Logical entries are relative to their EBR; slots 3 and 4 often hold
        // garbage, so there they must also fit inside the extended partition.
        for (size_t slot = 0; slot < mbr_entry_count; ++slot) {
            const mbr_entry_fields_s e = decode_mbr_entry(sector.data(), slot);
            if (!e.used() || mbr_type_is_extended(e.type))
                continue;
            uint64_t first = ebr_lba + e.first_lba;
            if (slot >= 2 &&
                (e.first_lba + uint64_t(e.sector_count) > ebr_count || first < ext_first ||
                 first + e.sector_count > ext_first + ext_count))
                continue;
            add_entry(out, e, number++, first, device_size, true);
        }
        // The link to the next EBR is relative to the extended partition.
        bool linked = false;
        for (size_t slot = 0; slot < mbr_entry_count && !linked; ++slot) {
            const mbr_entry_fields_s e = decode_mbr_entry(sector.data(), slot);
            if (!e.used() || !mbr_type_is_extended(e.type))
                continue;
            ebr_lba = ext_first + e.first_lba;
            ebr_count = e.sector_count;
            linked = true;
        }
        if (!linked)
            return;
    }
}

} // namespace

bool looks_like_mbr(const std::vector<uint8_t> &sector)
{
    if (sector.size() < mbr_size || le16_at(sector.data() + mbr_boot_signature_offset) != mbr_boot_signature)
        return false;
    // Boot sectors of file systems also end in 55 AA; their code at these
    // offsets rarely leaves every status byte 0x00 or 0x80.
    bool any_entry = false;
    for (size_t slot = 0; slot < mbr_entry_count; ++slot) {
        const mbr_entry_fields_s e = decode_mbr_entry(sector.data(), slot);
        if (e.status != 0 && e.status != mbr_status_active)
            return false;
        any_entry = any_entry || e.used();
    }
    // A boot sector with zeros there is a whole-disk file system, not an
    // empty table: x86 jump, then a power-of-two bytes-per-sector field.
    uint16_t bytes_per_sector = le16_at(sector.data() + 0x0B);
    bool jump = sector[0] == 0xE9 || (sector[0] == 0xEB && sector[2] == 0x90);
    bool boot_sector =
        jump && bytes_per_sector >= 512 && bytes_per_sector <= 4096 && (bytes_per_sector & (bytes_per_sector - 1)) == 0;
    return any_entry || !boot_sector;
}

bool has_protective_entry(const std::vector<uint8_t> &sector)
{
    for (size_t slot = 0; slot < mbr_entry_count; ++slot)
        if (decode_mbr_entry(sector.data(), slot).type == mbr_type_gpt_protective)
            return true;
    return false;
}

void read_mbr_table(block_device_c &device, const std::vector<uint8_t> &sector0, partition_table_s &out)
{
    out.scheme = partition_scheme_e::mbr;
    out.disk_signature = le32_at(sector0.data() + mbr_disk_signature_offset);
    const uint64_t device_size = device.size();
    bool chain_read = false;
    for (size_t slot = 0; slot < mbr_entry_count; ++slot) {
        const mbr_entry_fields_s e = decode_mbr_entry(sector0.data(), slot);
        if (!e.used())
            continue;
        add_entry(out, e, static_cast<int>(slot) + 1, e.first_lba, device_size, false);
        // Only the first extended partition carries logicals, as in the kernel.
        if (mbr_type_is_extended(e.type) && !chain_read) {
            chain_read = true;
            read_logicals(device, e.first_lba, e.sector_count, out);
        }
    }
}
