#include "ntfs_volume.h"

#include "file_record.h"
#include "ntfs_layout.h"
#include "ntfs_scan.h"

ntfs_volume_c::ntfs_volume_c(std::shared_ptr<block_device_c> device, const ntfs_geometry_s &geometry)
    : device_(std::move(device)), geometry_(geometry)
{}

std::unique_ptr<ntfs_volume_c> ntfs_volume_c::open(std::shared_ptr<block_device_c> device, int32_t *error,
                                                   uint64_t *volume_bytes)
{
    uint8_t sector[512];
    ntfs_geometry_s geometry;
    if (!device || !device->read_exact(0, sector, sizeof sector)) {
        *error = ntfs_error_read;
        return nullptr;
    }
    // A wiped or damaged boot sector leaves its copy in the volume's last sector.
    bool backup = false;
    if (!parse_boot_sector({sector, sizeof sector}, geometry)) {
        const uint64_t last = device->size() / sizeof sector;
        backup = last > 1 && device->read_exact((last - 1) * sizeof sector, sector, sizeof sector) &&
            parse_boot_sector({sector, sizeof sector}, geometry);
        if (!backup) {
            *error = ntfs_error_not_ntfs;
            return nullptr;
        }
    }
    if (volume_bytes)
        *volume_bytes = geometry.volume_bytes;
    const uint64_t device_bytes = device->size();
    std::unique_ptr<ntfs_volume_c> volume(new ntfs_volume_c(std::move(device), geometry));
    volume->backup_boot_ = backup;
    *error = volume->map_mft();
    if (*error == ntfs_ok)
        return volume;
    // Say so when the $MFT's first cluster was never there to read: a cut
    // image, not a damaged volume.
    if (device_bytes / geometry.cluster_size <= geometry.mft_lcn)
        *error = ntfs_error_short;
    return nullptr;
}

std::unique_ptr<ntfs_volume_c> ntfs_volume_c::open_mft_file(std::shared_ptr<block_device_c> mft, int32_t *error)
{
    ntfs_record_header_s header;
    uint32_t record_size = 0;
    if (mft && mft->read_exact(0, &header, sizeof header) && memcmp(header.magic, "FILE", 4) == 0)
        record_size = header.bytes_allocated;
    if (record_size < 256 || record_size > 65536 || (record_size & (record_size - 1)) != 0 ||
        mft->size() < record_size) {
        *error = ntfs_error_not_ntfs;
        return nullptr;
    }
    // The extract is its own "volume" with one record per cluster, so the
    // same stream reads serve both cases.
    ntfs_geometry_s geometry;
    geometry.sector_size = 512;
    geometry.cluster_size = record_size;
    geometry.record_size = record_size;
    geometry.total_clusters = mft->size() / record_size;
    std::unique_ptr<ntfs_volume_c> volume(new ntfs_volume_c(std::move(mft), geometry));
    volume->mft_runs_.push_back({0, geometry.total_clusters, 0});
    volume->record_count_ = geometry.total_clusters;
    volume->has_data_clusters_ = false;
    *error = ntfs_ok;
    return volume;
}

int32_t ntfs_volume_c::map_mft()
{
    const uint64_t record_size = geometry_.record_size;
    // Enough of a mapping to read record 0 and the records right after it.
    uint64_t first_clusters = (record_size + geometry_.cluster_size - 1) / geometry_.cluster_size;
    mft_runs_ = {{0, first_clusters, static_cast<int64_t>(geometry_.mft_lcn)}};
    record_count_ = 1;

    file_record_s mft;
    if (!read_base_record(*this, 0, mft))
        return ntfs_error_not_ntfs;
    data_stream_s data = find_data_stream([&] {
        std::vector<attribute_s> attrs;
        parse_attributes(mft.base, attrs);
        return attrs;
    }());
    if (!data.found || data.resident || data.runs.empty())
        return ntfs_error_not_ntfs;
    mft_runs_ = data.runs;
    // Extension records of a very fragmented $MFT lie in the part mapped so far.
    if (!gather_attributes(*this, mft))
        return ntfs_error_not_ntfs;
    data = find_data_stream(mft.attributes);
    if (!data.found || data.resident || data.runs.empty())
        return ntfs_error_not_ntfs;
    mft_runs_ = data.runs;
    const run_s &last = mft_runs_.back();
    uint64_t mapped_bytes = (last.vcn + last.length) * geometry_.cluster_size;
    uint64_t bytes = data.data_size < mapped_bytes ? data.data_size : mapped_bytes;
    record_count_ = bytes / record_size;
    return record_count_ ? ntfs_ok : ntfs_error_not_ntfs;
}

uint64_t ntfs_volume_c::held_clusters() const
{
    const uint64_t on_device = device_->size() / geometry_.cluster_size;
    return on_device < geometry_.total_clusters ? on_device : geometry_.total_clusters;
}

int32_t ntfs_volume_c::read_raw_records(uint64_t first, size_t count, uint8_t *out)
{
    if (first >= record_count_ || count > record_count_ - first)
        return ntfs_error_no_record;
    return read_stream(mft_runs_, first * geometry_.record_size, out, count * geometry_.record_size);
}

bool ntfs_volume_c::read_record(uint64_t number, std::vector<uint8_t> &out)
{
    out.resize(geometry_.record_size);
    return read_raw_records(number, 1, out.data()) == ntfs_ok && apply_fixups(out.data(), out.size());
}

int32_t ntfs_volume_c::read_stream(const std::vector<run_s> &runs, uint64_t offset, uint8_t *out, size_t len)
{
    const uint64_t cluster_size = geometry_.cluster_size;
    while (len > 0) {
        uint64_t vcn = offset / cluster_size;
        uint64_t within = offset % cluster_size;
        long index = find_run(runs, vcn);
        if (index < 0)
            return ntfs_error_corrupt;
        const run_s &run = runs[static_cast<size_t>(index)];
        uint64_t left_in_run = (run.vcn + run.length - vcn) * cluster_size - within;
        size_t chunk = static_cast<size_t>(len < left_in_run ? len : left_in_run);
        if (run.lcn == sparse_lcn) {
            memset(out, 0, chunk);
        } else {
            uint64_t lcn = static_cast<uint64_t>(run.lcn) + (vcn - run.vcn);
            uint64_t clusters = (within + chunk + cluster_size - 1) / cluster_size;
            if (lcn >= geometry_.total_clusters || clusters > geometry_.total_clusters - lcn)
                return ntfs_error_outside;
            if (!device_->read_exact(lcn * cluster_size + within, out, chunk))
                return ntfs_error_read;
        }
        out += chunk;
        offset += chunk;
        len -= chunk;
    }
    return ntfs_ok;
}
