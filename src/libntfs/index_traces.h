// Names a directory once held, read back from the unused parts of its $I30
// index. Removing an index entry moves the later entries down over it, so
// the tail of a block past the last live entry (and any block the index no
// longer uses) keeps older $FILE_NAME keys, often after the file's MFT
// record has been reused.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "file_record.h"
#include "ntfs_layout.h"
#include "ntfs_volume.h"

struct index_trace_s {
    uint64_t reference = 0; // the entry's file reference; 0 when overwritten
    ntfs_file_name_s key{}; // parent, times, sizes, attributes
    std::u16string name;
};

// The plausible $FILE_NAME key at pos of an index block (fixups applied) whose
// parent is the directory (record number, sequence). False when there is none.
bool read_index_trace(byte_view_s block, size_t pos, uint64_t directory, uint16_t sequence, index_trace_s &out);

// Whether a record still describes the file a trace's reference names:
// such a trace is a stale copy and is not kept.
using trace_described_f = std::function<bool(uint64_t reference)>;

// Every plausible key in the slack of the directory's $I30 index blocks
// that described does not drop. A key in the short (DOS) name space is
// left out when its long name was found beside it, kept or not. Once
// *cancel (when given) is set, it ends within a group of blocks and finds
// nothing.
std::vector<index_trace_s> find_index_traces(ntfs_volume_c &volume, const file_record_s &directory,
                                             const trace_described_f &described = {},
                                             const std::atomic<bool> *cancel = nullptr);

// A key's created, modified and MFT-changed times: the two keys of one file
// carry the same.
using trace_times_t = std::tuple<uint64_t, uint64_t, uint64_t>;

// Drops each short (DOS) name found beside the long name of the same file,
// among the traces or among the times of long names not kept.
void drop_short_twins(std::vector<index_trace_s> &traces, const std::vector<trace_times_t> &dropped_long = {});

// Whether the record holds an $I30 index allocation worth searching.
bool has_index_allocation(const std::vector<attribute_s> &attributes);
