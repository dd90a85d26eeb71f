#include "mft_scanner.h"

#include <algorithm>

#include "mft_record.h"
#include "ntfs_layout.h"
#include "record_summary.h"

namespace {

// Records are read in batches of about this many bytes.
constexpr uint64_t batch_bytes = 1u << 20;

} // namespace

mft_scanner_c::mft_scanner_c(std::unique_ptr<ntfs_volume_c> volume)
    : volume_(std::move(volume)), traces_(volume_->record_count())
{
}

bool mft_scanner_c::fetch(uint64_t number)
{
    const uint64_t record_size = volume_->geometry().record_size;
    if (number < batch_first_ || number >= batch_first_ + batch_count_) {
        batch_first_ = number;
        batch_count_ = std::min(std::max<uint64_t>(1, batch_bytes / record_size), volume_->record_count() - number);
        batch_.resize(batch_count_ * record_size);
        if (volume_->read_raw_records(number, batch_count_, batch_.data()) != 0) {
            // One bad spot must not hide the records around it.
            batch_count_ = 1;
            batch_.resize(record_size);
            if (volume_->read_raw_records(number, 1, batch_.data()) != 0) {
                batch_count_ = 0;
                return false;
            }
        }
    }
    const uint8_t *bytes = batch_.data() + (number - batch_first_) * record_size;
    record_.base.assign(bytes, bytes + record_size);
    return true;
}

bool mft_scanner_c::next(ntfs_scan_record &out)
{
    while (next_ < volume_->record_count()) {
        uint64_t number = next_++;
        record_header_info_s header;
        if (!fetch(number) || !apply_fixups(record_.base.data(), record_.base.size()) ||
            !read_record_header({record_.base.data(), record_.base.size()}, header)) {
            ++others_examined_;
            continue;
        }
        if (header.flags & ntfs_record_in_use)
            ++in_use_examined_;
        else
            ++others_examined_;
        traces_.note_header(number, header);
        if (header.base_record != 0)
            continue;
        record_.number = number;
        if (gather_attributes(*volume_, record_) && summarize_record(record_, out)) {
            traces_.note_described(record_);
            return true;
        }
    }
    return traces_.next(*volume_, out);
}
