// Master boot record and extended boot record (EBR) layout.
//
// Sector 0 of an MBR disk holds boot code, the disk signature and four
// partition entries. An extended partition (type 0x05, 0x0F or 0x85) holds a
// chain of EBRs: each EBR is laid out like an MBR whose first entry is one
// logical partition (start relative to that EBR) and whose second entry links
// to the next EBR (start relative to the extended partition's first sector).
// All multi-byte fields are little-endian; the structs document the layout
// and are never overlaid on unaligned buffers (use le_bytes.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "le_bytes.h"

#pragma pack(push, 1)

// Cylinder-head-sector address as stored in an entry.
struct mbr_chs_s {
    uint8_t head;            // 0x00
    uint8_t sector_cyl_high; // 0x01: bits 0-5 sector (1-63), bits 6-7 cylinder bits 8-9
    uint8_t cylinder_low;    // 0x02: cylinder bits 0-7
};
static_assert(sizeof(mbr_chs_s) == 3, "CHS address is 3 bytes");

struct mbr_entry_s {
    uint8_t status;        // 0x00: 0x80 active (bootable), 0x00 inactive
    mbr_chs_s first_chs;   // 0x01
    uint8_t type;          // 0x04: partition type byte, 0 = unused
    mbr_chs_s last_chs;    // 0x05
    uint32_t first_lba;    // 0x08: first sector (relative, see above)
    uint32_t sector_count; // 0x0C
};
static_assert(sizeof(mbr_entry_s) == 16, "MBR entry is 16 bytes");

struct mbr_sector_s {
    uint8_t boot_code[440];  // 0x000
    uint32_t disk_signature; // 0x1B8
    uint16_t reserved;       // 0x1BC
    mbr_entry_s entries[4];  // 0x1BE
    uint16_t boot_signature; // 0x1FE: 0xAA55 (bytes 55 AA)
};
static_assert(sizeof(mbr_sector_s) == 512, "MBR sector is 512 bytes");

#pragma pack(pop)

constexpr size_t mbr_size = 512;
constexpr size_t mbr_disk_signature_offset = 0x1B8;
constexpr size_t mbr_entries_offset = 0x1BE;
constexpr size_t mbr_entry_size = 16;
constexpr size_t mbr_entry_count = 4;
constexpr size_t mbr_boot_signature_offset = 0x1FE;
constexpr uint16_t mbr_boot_signature = 0xAA55;

// Entry field offsets, relative to the entry.
constexpr size_t mbr_entry_status = 0x00;
constexpr size_t mbr_entry_first_chs = 0x01;
constexpr size_t mbr_entry_type = 0x04;
constexpr size_t mbr_entry_last_chs = 0x05;
constexpr size_t mbr_entry_first_lba = 0x08;
constexpr size_t mbr_entry_sector_count = 0x0C;

static_assert(offsetof(mbr_sector_s, disk_signature) == mbr_disk_signature_offset, "layout");
static_assert(offsetof(mbr_sector_s, entries) == mbr_entries_offset, "layout");
static_assert(offsetof(mbr_sector_s, boot_signature) == mbr_boot_signature_offset, "layout");
static_assert(offsetof(mbr_entry_s, type) == mbr_entry_type, "layout");
static_assert(offsetof(mbr_entry_s, first_lba) == mbr_entry_first_lba, "layout");
static_assert(offsetof(mbr_entry_s, sector_count) == mbr_entry_sector_count, "layout");

constexpr uint8_t mbr_status_active = 0x80;
constexpr uint8_t mbr_type_empty = 0x00;
constexpr uint8_t mbr_type_gpt_protective = 0xEE;

inline bool mbr_type_is_extended(uint8_t type)
{
    return type == 0x05 || type == 0x0F || type == 0x85;
}

// Decoded CHS address; sector is 1-based, 0 means the field is unset.
struct chs_address_s {
    uint32_t cylinder = 0;
    uint32_t head = 0;
    uint32_t sector = 0;
};

inline chs_address_s decode_chs(const uint8_t *p)
{
    chs_address_s a;
    a.head = p[0];
    a.sector = p[1] & 0x3Fu;
    a.cylinder = static_cast<uint32_t>(p[2]) | (static_cast<uint32_t>(p[1] & 0xC0u) << 2);
    return a;
}

// Cylinders above 1023 cannot be stored; the conventional value is then
// 1023/254/63 (bytes FE FF FF) so tools fall back to the LBA fields.
inline void encode_chs(uint8_t *p, chs_address_s a)
{
    if (a.cylinder > 1023) {
        p[0] = 0xFE;
        p[1] = 0xFF;
        p[2] = 0xFF;
        return;
    }
    p[0] = static_cast<uint8_t>(a.head);
    p[1] = static_cast<uint8_t>((a.sector & 0x3Fu) | ((a.cylinder >> 2) & 0xC0u));
    p[2] = static_cast<uint8_t>(a.cylinder);
}

// One partition entry, decoded from or encoded to its 16 stored bytes. This
// is the only place that reads or writes entry fields.
struct mbr_entry_fields_s {
    uint8_t status = 0;
    chs_address_s first_chs;
    uint8_t type = mbr_type_empty;
    chs_address_s last_chs;
    uint32_t first_lba = 0;
    uint32_t sector_count = 0;

    // A slot of type 0 is unused whatever its other bytes hold: tools that
    // clear a slot often reset only the type byte.
    bool used() const { return type != mbr_type_empty && sector_count != 0; }
};

// Entry `slot` (0 to 3) of the 512-byte sector at `sector` (an MBR or an EBR).
inline mbr_entry_fields_s decode_mbr_entry(const uint8_t *sector, size_t slot)
{
    const uint8_t *p = sector + mbr_entries_offset + slot * mbr_entry_size;
    mbr_entry_fields_s e;
    e.status = p[mbr_entry_status];
    e.first_chs = decode_chs(p + mbr_entry_first_chs);
    e.type = p[mbr_entry_type];
    e.last_chs = decode_chs(p + mbr_entry_last_chs);
    e.first_lba = le32_at(p + mbr_entry_first_lba);
    e.sector_count = le32_at(p + mbr_entry_sector_count);
    return e;
}

inline void encode_mbr_entry(uint8_t *sector, size_t slot, const mbr_entry_fields_s &e)
{
    uint8_t *p = sector + mbr_entries_offset + slot * mbr_entry_size;
    p[mbr_entry_status] = e.status;
    encode_chs(p + mbr_entry_first_chs, e.first_chs);
    p[mbr_entry_type] = e.type;
    encode_chs(p + mbr_entry_last_chs, e.last_chs);
    put_le32(p + mbr_entry_first_lba, e.first_lba);
    put_le32(p + mbr_entry_sector_count, e.sector_count);
}
