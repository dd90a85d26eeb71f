// The directory-entry checks on arbitrary bytes: after a 12-byte header
// (FAT type, cluster count + 2, data sectors, the folder's own cluster),
// every 32-byte slot is checked as a short entry and as a long-name piece,
// and the rest as the start of a folder. Each piece is copied to a buffer of
// its own size, so a check that reads past it is caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "libfat/fat_entry_check.h"
#include "platform/le_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr size_t header = 12, slot = 32;
    if (size < header)
        return 0;
    fat_entry_bounds_s bounds;
    bounds.type = static_cast<fat_type_e>(data[0] % 4);
    bounds.fat_entries = le32_at(data + 1);
    bounds.data_bytes = (uint64_t{le16_at(data + 5)} | uint64_t{data[7]} << 16) * 512;
    const uint32_t folder = le32_at(data + 8);
    const std::vector<uint8_t> rest(data + header, data + size);
    for (size_t at = 0; at + slot <= rest.size(); at += slot) {
        const std::vector<uint8_t> entry(rest.begin() + static_cast<ptrdiff_t>(at),
                                         rest.begin() + static_cast<ptrdiff_t>(at + slot));
        fat_short_entry_ok(entry.data(), bounds);
        fat_long_entry_ok(entry.data());
        fat_short_name_first_byte_ok(entry[0]);
    }
    fat_folder_start_ok(rest.data(), rest.size(), folder, bounds);
    return 0;
}
