#include "exfat_recovery.h"

#include <algorithm>
#include <vector>

#include "exfat_state.h"
#include "libexfat/exfat_time.h"

// Consecutive clusters are read in one transfer of up to this much.
static constexpr size_t restore_block_bytes = 1u << 20;

void exfat_recovery_c::reset()
{
    state_.reset_counters();
    error_.clear();
    short_note_.clear();
    counts_ = exfat_walk_counts_s();
    store_.clear();
}

void exfat_recovery_c::keep(const exfat_found_s &found)
{
    const exfat_set_s &set = found.set;
    const bool deleted = set.deleted || found.in_deleted;
    // Live files are the file system's own business, as on FAT.
    if (!set.is_directory() && !deleted)
        return;
    exfat_item_s item;
    item.id = found.id;
    item.parent = found.parent;
    item.attributes = static_cast<quint16>((set.attributes & 0x37) | (deleted ? exfat_attr_deleted : 0));
    item.size = item.stated_size = set.data_length;
    item.valid_size = std::min(set.valid_length, set.data_length);
    item.modified = exfat_unix_time(set.modified, set.modified_10ms, set.modified_utc);
    item.created = exfat_unix_time(set.created, set.created_10ms, set.created_utc);
    item.first_cluster = set.first_cluster;
    item.no_fat_chain = set.no_fat_chain();
    item.name = QString::fromUtf16(set.name.data(), static_cast<qsizetype>(set.name.size()));
    auto old = store_.find(item.id);
    if (old == store_.end()) {
        store_.insert(item.id, std::move(item));
        ++state_.found_count;
    }
}

void exfat_recovery_c::run()
{
    reset();
    std::shared_ptr<block_device_c> device = this->device();
    const int opened = device ? volume_.open(device) : exfat_read_error;
    if (opened != exfat_ok) {
        error_ = opened == exfat_no_file_system ? QStringLiteral("no exFAT file system on the volume")
                                                : QStringLiteral("the volume cannot be found or read");
    } else {
        const uint64_t whole = volume_.geometry().volume_bytes(), held = volume_.device_bytes();
        if (held < whole)
            short_note_ = QStringLiteral("the image holds %1 bytes of a volume of %2 bytes; the rest is missing")
                              .arg(held)
                              .arg(whole);
        counts_ = exfat_walk(volume_, [this](const exfat_found_s &found) {
            if (!state_.count_entry())
                return false;
            keep(found);
            return true;
        });
        mark_exfat_states(volume_, store_);
    }
    exfat_item_s root;
    root.attributes = exfat_attr_directory;
    store_.insert(0, root);
    link_exfat_store(store_);
}

int exfat_recovery_c::recover_item(quint64 id, output_file_c &out)
{
    return copy_item(id, out, UINT64_MAX);
}

int exfat_recovery_c::recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes)
{
    return copy_item(row.id, out, max_bytes);
}

int exfat_recovery_c::copy_item(quint64 id, output_file_c &out, quint64 max_bytes)
{
    auto it = store_.constFind(id);
    if (it == store_.cend() || it.value().is_folder()) {
        out.set_failure("it is not among the found files");
        return -1;
    }
    const exfat_item_s &item = it.value();
    if (item.size == 0 && item.stated_size > 0)
        return recover_no_data;
    const quint64 wanted = std::min(item.size, max_bytes);
    // Past the valid length the file reads as zeros, whatever its clusters hold.
    const quint64 valid = std::min<quint64>(wanted, item.valid_size);
    const uint64_t cb = volume_.geometry().cluster_bytes();
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<quint64>(restore_block_bytes, std::max<quint64>(valid, 1))));
    quint64 written = 0;
    for (const exfat_run_s &run : item.runs) {
        uint64_t at = volume_.geometry().cluster_offset(run.first);
        uint64_t left = std::min<uint64_t>(uint64_t{run.count} * cb, valid - written);
        while (left > 0) {
            const size_t ask = static_cast<size_t>(std::min<uint64_t>(buffer.size(), left));
            if (!volume_.read(at, buffer.data(), ask)) {
                out.set_failure("read error at byte " + std::to_string(written) + " of the file");
                return -1;
            }
            if (!out.write(buffer.data(), ask))
                return -1;
            written += ask;
            at += ask;
            left -= ask;
        }
        if (written >= valid)
            break;
    }
    if (written < valid) {
        out.set_failure("its clusters end after " + std::to_string(written) + " of " + std::to_string(wanted) +
                        " bytes");
        return -1;
    }
    if (wanted > valid && !out.skip(wanted - valid))
        return -1;
    return 0;
}

int exfat_recovery_c::get_item_path(quint64 id, std::wstring *out)
{
    return exfat_item_path(store_, id, volume().mount_path, out);
}
