#include "stream_writer.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "file_record.h"
#include "lznt1.h"
#include "ntfs_layout.h"
#include "ntfs_scan.h"
#include "ntfs_volume.h"
#include "platform/file_copy.h"

namespace {

constexpr size_t copy_buffer_size = 1u << 20;
constexpr uint64_t max_compression_unit = 4u << 20;
// Beyond the largest file NTFS can hold: a damaged size.
constexpr uint64_t max_stream_size = 1ull << 48;

// Every cluster the stream's data needs is mapped, and every allocated one
// lies inside the volume.
int32_t check_runs(const data_stream_s &stream, const ntfs_geometry_s &geometry)
{
    uint64_t needed = (stream.data_size + geometry.cluster_size - 1) / geometry.cluster_size;
    uint64_t mapped = 0;
    for (const run_s &run : stream.runs) {
        if (run.vcn != mapped)
            return ntfs_error_corrupt;
        mapped += run.length;
        if (run.lcn != sparse_lcn &&
            (static_cast<uint64_t>(run.lcn) >= geometry.total_clusters ||
             run.length > geometry.total_clusters - static_cast<uint64_t>(run.lcn)))
            return ntfs_error_outside;
        if (mapped >= needed)
            break;
    }
    return mapped >= needed ? ntfs_ok : ntfs_error_corrupt;
}

// First vcn at or after vcn that lies in an allocated run; UINT64_MAX if none.
uint64_t next_allocated_vcn(const std::vector<run_s> &runs, uint64_t vcn)
{
    for (const run_s &run : runs)
        if (run.lcn != sparse_lcn && run.vcn + run.length > vcn)
            return std::max(run.vcn, vcn);
    return UINT64_MAX;
}

// Clusters of [vcn, vcn + count) that are allocated (not sparse).
uint64_t allocated_clusters(const std::vector<run_s> &runs, uint64_t vcn, uint64_t count)
{
    uint64_t allocated = 0;
    for (const run_s &run : runs) {
        uint64_t lo = std::max(run.vcn, vcn), hi = std::min(run.vcn + run.length, vcn + count);
        if (lo < hi && run.lcn != sparse_lcn)
            allocated += hi - lo;
    }
    return allocated;
}

class output_c {
public:
    output_c(ntfs_volume_c &volume, const data_stream_s &stream, int fd, unreadable_note_s unreadable)
        : volume_(volume), stream_(stream), fd_(fd), unreadable_(unreadable)
    {}

    // Runs of zeros (sparse runs, the tail past the initialized size) become
    // holes in the output, so a damaged size on a sparse stream costs no
    // disk space and no time.
    int32_t write_plain()
    {
        const uint64_t cluster_size = volume_.geometry().cluster_size;
        std::vector<uint8_t> buffer;
        const uint64_t needed = (stream_.data_size + cluster_size - 1) / cluster_size;
        for (const run_s &run : stream_.runs) {
            if (run.vcn >= needed)
                break;
            uint64_t begin = run.vcn * cluster_size;
            uint64_t end =
                std::min((run.vcn + std::min(run.length, needed - run.vcn)) * cluster_size, stream_.data_size);
            uint64_t live_end =
                run.lcn == sparse_lcn ? begin : std::min(end, std::max(begin, stream_.initialized_size));
            for (uint64_t offset = begin; offset < live_end;) {
                size_t n = static_cast<size_t>(std::min<uint64_t>(copy_buffer_size, live_end - offset));
                buffer.resize(n);
                int32_t rc = volume_.read_stream(stream_.runs, offset, buffer.data(), n);
                if (rc == ntfs_error_read)
                    rc = write_sector_by_sector(offset, n);
                else if (rc == ntfs_ok && !write_all(fd_, buffer.data(), n))
                    rc = ntfs_error_write;
                if (rc != ntfs_ok)
                    return rc;
                offset += n;
            }
            if (end > live_end && !skip_zeros(end - live_end))
                return ntfs_error_write;
        }
        return ntfs_ok;
    }

    bool skip_zeros(uint64_t n) { return lseek(fd_, static_cast<off_t>(n), SEEK_CUR) >= 0; }

    // Whether the cluster under stream offset at lies on the device.
    bool held(uint64_t at) const
    {
        const uint64_t vcn = at / volume_.geometry().cluster_size;
        for (const run_s &run : stream_.runs)
            if (run.lcn != sparse_lcn && run.vcn <= vcn && vcn < run.vcn + run.length)
                return static_cast<uint64_t>(run.lcn) + (vcn - run.vcn) < volume_.held_clusters();
        return false;
    }

    // After a block failed to read: what of it reads is kept, and each
    // sector that fails is left as zeros (a hole) and told.
    int32_t write_sector_by_sector(uint64_t offset, size_t n)
    {
        const uint64_t sector = std::max<uint64_t>(volume_.geometry().sector_size, 512);
        uint8_t buffer[4096];
        const uint64_t step = std::min<uint64_t>(sector, sizeof buffer);
        for (uint64_t at = offset, end = offset + n; at < end;) {
            const size_t len = static_cast<size_t>(std::min(step - at % step, end - at));
            const int32_t rc = volume_.read_stream(stream_.runs, at, buffer, len);
            // Past the end of a cut image nothing is unreadable: it is missing.
            if (rc != ntfs_ok && (rc != ntfs_error_read || !held(at)))
                return rc;
            if (rc == ntfs_ok ? !write_all(fd_, buffer, len) : !skip_zeros(len))
                return ntfs_error_write;
            if (rc == ntfs_error_read && unreadable_.fn)
                unreadable_.fn(unreadable_.cookie, at, len);
            at += len;
        }
        return ntfs_ok;
    }

    int32_t write_compressed()
    {
        const uint64_t cluster_size = volume_.geometry().cluster_size;
        if (stream_.compression_unit > 16)
            return ntfs_error_corrupt;
        const uint64_t unit_clusters = 1ull << stream_.compression_unit;
        const uint64_t unit_bytes = unit_clusters * cluster_size;
        if (unit_bytes > max_compression_unit)
            return ntfs_error_corrupt;
        std::vector<uint8_t> packed(unit_bytes), unpacked(unit_bytes);
        for (uint64_t offset = 0; offset < stream_.data_size;) {
            uint64_t vcn = offset / cluster_size;
            uint64_t allocated = allocated_clusters(stream_.runs, vcn, unit_clusters);
            size_t n = static_cast<size_t>(std::min<uint64_t>(unit_bytes, stream_.data_size - offset));
            if (allocated == 0) {
                // Jump over whole sparse units at once.
                uint64_t next = next_allocated_vcn(stream_.runs, vcn) / unit_clusters * unit_clusters;
                uint64_t until = next > vcn && next < stream_.data_size / cluster_size + 1
                    ? std::min(next * cluster_size, stream_.data_size)
                    : stream_.data_size;
                if (until <= offset)
                    until = offset + n;
                if (!skip_zeros(until - offset))
                    return ntfs_error_write;
                offset = until;
                continue;
            }
            if (allocated == unit_clusters) {
                int32_t rc = volume_.read_stream(stream_.runs, offset, unpacked.data(), unit_bytes);
                if (rc != ntfs_ok)
                    return rc;
            } else {
                // A compressed unit keeps its data in its first clusters.
                size_t packed_len = static_cast<size_t>(allocated * cluster_size);
                int32_t rc = volume_.read_stream(stream_.runs, offset, packed.data(), packed_len);
                if (rc != ntfs_ok)
                    return rc;
                int64_t got = lznt1_decompress(packed.data(), packed_len, unpacked.data(), unpacked.size());
                if (got < 0)
                    return ntfs_error_corrupt;
                std::fill(unpacked.begin() + got, unpacked.end(), 0);
            }
            if (!write_all(fd_, unpacked.data(), n))
                return ntfs_error_write;
            offset += n;
        }
        return ntfs_ok;
    }

private:
    ntfs_volume_c &volume_;
    const data_stream_s &stream_;
    int fd_;
    unreadable_note_s unreadable_;
};

} // namespace

namespace {
// The record's unnamed data stream, cut to max_bytes, once everything that
// can be checked before writing (record, encryption, runs inside the
// volume) holds. The stream may point into record.
int32_t checked_stream(ntfs_volume_c &volume, uint64_t number, uint64_t max_bytes, file_record_s &record,
                       data_stream_s &stream)
{
    if (number >= volume.record_count() || !load_file_record(volume, number, record))
        return ntfs_error_no_record;
    stream = find_data_stream(record.attributes);
    if (!stream.found || (record.header.flags & ntfs_record_is_directory))
        return ntfs_error_no_record;
    if (stream.flags & ntfs_attr_flag_encrypted)
        return ntfs_error_encrypted;
    if (stream.runs_damaged || stream.data_size > max_stream_size)
        return ntfs_error_corrupt;
    // The head is the stream cut short; its sizes say so to every step below.
    stream.data_size = std::min(stream.data_size, max_bytes);
    stream.initialized_size = std::min(stream.initialized_size, max_bytes);
    if (stream.resident)
        stream.value.size = std::min<uint64_t>(stream.value.size, max_bytes);
    if (stream.resident)
        return ntfs_ok;
    if (!volume.has_data_clusters() && stream.data_size > 0)
        return ntfs_error_outside;
    return check_runs(stream, volume.geometry());
}

int32_t write_checked_stream(ntfs_volume_c &volume, const data_stream_s &stream, int fd,
                             unreadable_note_s unreadable = {})
{
    int32_t rc = ntfs_ok;
    output_c output(volume, stream, fd, unreadable);
    if (stream.resident)
        rc = write_all(fd, stream.value.data, stream.value.size) ? ntfs_ok : ntfs_error_write;
    else if ((stream.flags & ntfs_attr_flag_compressed) && stream.compression_unit != 0)
        rc = output.write_compressed();
    else
        rc = output.write_plain();
    // Holes at the end are only a length.
    if (rc == ntfs_ok && ftruncate(fd, static_cast<off_t>(stream.data_size)) != 0)
        rc = ntfs_error_write;
    return rc;
}
} // namespace

int32_t write_data_stream(ntfs_volume_c &volume, uint64_t number, int fd, uint64_t max_bytes,
                          unreadable_note_s unreadable)
{
    if (fd < 0)
        return ntfs_error_argument;
    file_record_s record;
    data_stream_s stream;
    const int32_t rc = checked_stream(volume, number, max_bytes, record, stream);
    return rc == ntfs_ok ? write_checked_stream(volume, stream, fd, unreadable) : rc;
}

int32_t write_data_stream(ntfs_volume_c &volume, uint64_t number, const char *destination)
{
    if (!destination || !*destination)
        return ntfs_error_argument;
    // Nothing is created, and nothing there replaced, before the checks hold.
    file_record_s record;
    data_stream_s stream;
    int32_t rc = checked_stream(volume, number, UINT64_MAX, record, stream);
    if (rc != ntfs_ok)
        return rc;
    int fd = open(destination, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return ntfs_error_write;
    rc = write_checked_stream(volume, stream, fd);
    if (close(fd) != 0 && rc == ntfs_ok)
        rc = ntfs_error_write;
    if (rc != ntfs_ok)
        unlink(destination);
    return rc;
}
