#include "raw_recovery.h"

#include <algorithm>
#include <vector>

#include "engines/raw/raw_join_pass.h"
#include "engines/raw/raw_find_meta.h"
#include "engines/raw/rebuild/old_structures.h"
#include "libsc/sc_control_access.h"
#include "libsc/sc_device.h"

raw_recovery_c::raw_recovery_c(QObject *parent) : recovery_base_c(parent) {}

double raw_recovery_c::get_progress()
{
    // The device is read to its end before the last searches for second
    // pieces are over: the scan is not done until they are.
    const double progress = sc_get_progress(&control_);
    return joining_ ? std::min(progress, 0.99) : progress;
}
void raw_recovery_c::set_progress(double progress)
{
    sc_set_progress(&control_, progress);
}
void raw_recovery_c::set_stop(int code)
{
    sc_set_stop(&control_, code);
}
int raw_recovery_c::get_stop()
{
    return sc_get_stop(&control_);
}
int raw_recovery_c::get_pause()
{
    return sc_get_pause(&control_);
}
void raw_recovery_c::set_pause(int pause)
{
    sc_set_pause(&control_, pause);
}

void raw_recovery_c::reset()
{
    control_ = raw_scan_control_s{};
    clear_results();
}

void raw_recovery_c::clear_results()
{
    sc_set_progress(&control_, 0.0);
    by_type_.clear();
    items_.clear();
    metas_.clear();
    pieces_.clear();
    rebuilt_ = rebuilt_tree_s{};
    found_count_ = 0;
    error_.clear();
}

void raw_recovery_c::load_config(const std::string &path)
{
    sc_load_config(path.c_str());
}

void raw_recovery_c::run()
{
    // The pause and stop fields are left alone (the caller resets them
    // before the start): one asked for as the thread starts holds.
    clear_results();
    control_.user = this;
    control_.found = &raw_recovery_c::on_found;
    // A device that cannot be opened or read at its start is a failed scan,
    // not an empty result.
    const std::shared_ptr<block_device_c> device = this->device();
    sc_handle_s *reader = sc_open_on(device);
    char first[512];
    const bool readable = reader && sc_read(reader, first, sizeof first) > 0;
    // Metadata is read as each file is found, while its bytes are fresh in
    // the cache; finds that may be in pieces are searched for them meanwhile.
    raw_joiner_c joiner(
        device, [this] { return sc_get_stop(&control_) != 0; }, [this] { return sc_get_pause(&control_) != 0; });
    meta_device_ = reader;
    joiner_ = &joiner;
    joining_ = true;
    // Old folders and file records are recognised in the blocks the scan
    // reads anyway: no second pass over the volume.
    old_structures_c old(device);
    const bool scanned =
        readable && sc_scan_on(&control_, *device, [&old](uint64_t start, const uint8_t *data, size_t len) {
            old.look_at(start, data, len);
        }) == 0;
    joiner_ = nullptr;
    meta_device_ = nullptr;
    if (scanned) {
        join_pieces(joiner, reader);
        rebuilt_ = old.rebuild(device);
        found_count_ += rebuilt_.files.size();
    } else
        error_ = QStringLiteral("the volume cannot be opened or read");
    joining_ = false;
    sc_close(reader);
}

void raw_recovery_c::join_pieces(raw_joiner_c &joiner, sc_handle_s *reader)
{
    std::vector<raw_item_s> items = items_;
    raw_pieces_t pieces;
    if (!joiner.finish(items, &pieces))
        return;
    // The finds kept are the scan's, in its order: their metadata carries
    // over. A joined find's is read again over its joined length, as a
    // reload of the scan file reads it.
    std::vector<carved_meta_s> metas;
    metas.reserve(items.size());
    size_t old = 0;
    for (const raw_item_s &item : items) {
        while (old < items_.size() && items_[old].offset != item.offset)
            ++old;
        if (pieces.count(item.index))
            metas.push_back(read_find_meta(reader, item));
        else
            metas.push_back(old < metas_.size() ? metas_[old] : carved_meta_s());
    }
    take_items(std::move(items), std::move(metas));
    pieces_ = std::move(pieces);
}

void raw_recovery_c::on_found(void *user, const char *type, uint64_t offset, uint64_t length)
{
    auto *self = static_cast<raw_recovery_c *>(user);
    raw_item_s item{};
    item.index = self->items_.size();
    item.offset = offset;
    item.length = length;
    item.end_proved = (self->control_.find_flags & SC_FIND_ENDED) ? 1 : 0;
    memcpy(item.type, type, strnlen(type, sizeof(item.type)));
    self->items_.push_back(item);
    if (!item.end_proved && self->joiner_)
        self->joiner_->offer(item.index, offset);
    self->metas_.push_back(read_find_meta(self->meta_device_, item));
    self->by_type_[QByteArray(type)].append(item.index);
    ++self->found_count_;
}

void raw_recovery_c::take_items(std::vector<raw_item_s> items, std::vector<carved_meta_s> metas)
{
    items_ = std::move(items);
    metas_ = std::move(metas);
    pieces_.clear();
    found_count_ = items_.size();
    by_type_.clear();
    for (const raw_item_s &item : items_)
        by_type_[QByteArray::fromStdString(item.type_name())].append(item.index);
}

const carved_meta_s &raw_recovery_c::meta(quint64 index) const
{
    static const carved_meta_s none;
    return index < metas_.size() ? metas_[index] : none;
}

namespace {
// Copies length bytes at offset of the device to out; false when the device
// ends or fails first (out says where), or out cannot take them.
bool copy_stretch(sc_handle_s *handle, uint64_t offset, uint64_t length, output_file_c &out)
{
    auto unreadable = [&](uint64_t at) {
        out.set_failure("read error at byte " + std::to_string(at) + " of the volume");
        return false;
    };
    if (sc_seek(handle, static_cast<int64_t>(offset), 0) < 0)
        return unreadable(offset);
    // Large blocks: a restore runs at the speed of the disk.
    static const int32_t chunk = 1 << 20;
    std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(length, chunk)));
    for (uint64_t left = length; left > 0;) {
        const int32_t want = static_cast<int32_t>(std::min<uint64_t>(left, chunk));
        const int32_t got = sc_read(handle, buffer.data(), want);
        if (got <= 0)
            return unreadable(offset + (length - left));
        const size_t take = static_cast<size_t>(std::min<uint64_t>(left, static_cast<uint64_t>(got)));
        if (!out.write(buffer.data(), take))
            return false;
        left -= take;
    }
    return true;
}
// A hole of a sparse file.
bool write_zeros(uint64_t length, output_file_c &out)
{
    static const char zeros[64 << 10] = {};
    for (uint64_t left = length; left > 0;) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(left, sizeof zeros));
        if (!out.write(zeros, take))
            return false;
        left -= take;
    }
    return true;
}
} // namespace

int raw_recovery_c::recover_item(quint64 id, output_file_c &out)
{
    return copy_find(id, out, UINT64_MAX);
}

int raw_recovery_c::recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes)
{
    return copy_find(row.id, out, max_bytes);
}

int raw_recovery_c::copy_find(quint64 id, output_file_c &out, uint64_t max_bytes)
{
    const rebuilt_file_s *rebuilt = id >= items_.size() && id - items_.size() < rebuilt_.files.size()
        ? &rebuilt_.files[id - items_.size()]
        : nullptr;
    if (id >= items_.size() && !rebuilt) {
        out.set_failure("it is not among the found files");
        return -1;
    }
    // From the find's own first byte: a byte-granular find does not start
    // at a sector boundary, and the bytes before it are not part of it. A
    // joined find is its pieces one after the other, a rebuilt file the
    // stretches its old entry or record maps.
    if (rebuilt && rebuilt->size > 0 && rebuilt->held == 0)
        return recover_no_data; // compressed, encrypted, or no run of it on the volume
    std::vector<raw_piece_s> stretches;
    if (rebuilt)
        stretches = rebuilt->stretches;
    else if (auto it = pieces_.find(id); it != pieces_.end())
        stretches = it->second;
    else
        stretches = {{items_[id].offset, items_[id].length}};
    for (raw_piece_s &piece : stretches) {
        if (piece.offset > uint64_t(INT64_MAX) && piece.offset != zeros_offset)
            return -1;
        piece.length = std::min(piece.length, max_bytes);
        max_bytes -= piece.length;
    }
    sc_handle_s *handle = sc_open_on(device());
    if (!handle) {
        out.set_failure("the volume cannot be opened");
        return -1;
    }
    bool copied = true;
    for (const raw_piece_s &piece : stretches)
        if (!(copied = piece.offset == zeros_offset ? write_zeros(piece.length, out)
                                                    : copy_stretch(handle, piece.offset, piece.length, out)))
            break;
    sc_close(handle);
    if (copied && rebuilt && rebuilt->held < rebuilt->size && max_bytes > 0) {
        out.set_failure("the volume ends before the file's data does");
        return -1;
    }
    return copied ? 0 : -1;
}
