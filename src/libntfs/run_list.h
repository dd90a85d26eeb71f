// NTFS run lists (mapping pairs): which clusters hold which part of a stream.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/le_bytes.h"

struct run_s {
    uint64_t vcn = 0;    // first cluster of the stream this run covers
    uint64_t length = 0; // clusters
    int64_t lcn = -1;    // first volume cluster; -1 for a sparse run
};

constexpr int64_t sparse_lcn = -1;

// Appends the runs encoded in bytes, starting at first_vcn. False on damaged
// encoding (bad field widths, zero length, a negative or overflowing cluster
// number); runs decoded before the damage stay appended.
bool decode_run_list(byte_view_s bytes, uint64_t first_vcn, std::vector<run_s> &out);

// Index of the run that holds vcn, or -1. Runs must be sorted by vcn.
long find_run(const std::vector<run_s> &runs, uint64_t vcn);
