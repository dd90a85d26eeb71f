// Record-level parsers on arbitrary bytes: boot sector, run list, LZNT1,
// fixups and attributes, stale index keys, and a whole bare $MFT extract
// with extraction.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "libntfs/boot_sector.h"
#include "libntfs/file_record.h"
#include "libntfs/index_traces.h"
#include "libntfs/lznt1.h"
#include "libntfs/ntfs_scan_internal.h"
#include "libntfs/own_record_summary.h"
#include "libntfs/record_summary.h"
#include "libntfs/run_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    byte_view_s bytes{data, size};
    ntfs_geometry_s geometry;
    parse_boot_sector(bytes, geometry);
    std::vector<run_s> runs;
    decode_run_list(bytes, 0, runs);
    std::vector<uint8_t> out(65536);
    lznt1_decompress(data, size, out.data(), out.size());

    file_record_s record;
    record.own_base.assign(data, data + size);
    record.own_base.resize(size > 1024 ? 4096 : 1024);
    record.base = {record.own_base.data(), record.own_base.size()};
    if (apply_fixups(record.own_base.data(), record.own_base.size()) &&
        read_record_header(record.base, record.header)) {
        parse_attributes(record.base, record.attributes);
        ntfs_scan_record summary{};
        const bool named = summarize_record(record, summary);
        // The one-pass summary of a record's own attributes must agree.
        ntfs_scan_record own{};
        std::vector<byte_view_s> names;
        const own_summary_e quick = summarize_own_attributes(record.base, 0, record.header, own, names);
        const bool listed = std::any_of(record.attributes.begin(), record.attributes.end(),
                                        [](const attribute_s &a) { return a.type == ntfs_attr_attribute_list; });
        if (listed ? quick != own_summary_e::has_attribute_list
                   : (quick == own_summary_e::described) != named ||
                         (named && memcmp(&own, &summary, sizeof own) != 0))
            __builtin_trap();
    }

    // The same bytes as an index block, searched for stale keys; each
    // position's own parent field names the directory so that the checks
    // past it are reached.
    std::vector<uint8_t> block(data, data + size);
    block.resize(4096);
    if (apply_fixups(block.data(), block.size(), "INDX")) {
        for (size_t pos = 0; pos + 8 <= block.size(); pos += 8) {
            uint64_t parent = 0;
            memcpy(&parent, &block[pos], 8);
            index_trace_s trace;
            read_index_trace({block.data(), block.size()}, pos, parent & ntfs_reference_mask,
                             static_cast<uint16_t>(parent >> 48), trace);
        }
    }

    static const std::string target = "/tmp/ntfs-record-fuzz-" + std::to_string(getpid());
    ntfs_scan_context context{};
    if (ntfs_scan_startup_mft_file(std::make_shared<memory_device_c>(data, size), &context) == 0) {
        for (int reported = 0;; ++reported) {
            ntfs_scan_record r{};
            if (!ntfs_scan_next(&context, &r))
                break;
            if (reported < 4)
                ntfs_recover_file(&context, static_cast<uint32_t>(r.id), 0, target.c_str(), nullptr);
        }
        ntfs_scan_shutdown(&context);
    }
    unlink(target.c_str());
    return 0;
}
