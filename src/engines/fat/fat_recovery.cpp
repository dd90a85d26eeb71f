#include "fat_recovery.h"

#include <algorithm>
#include <QSet>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "libfat/fat_entry_check.h"
#include "libfat/fat_path.h"
#include "fat_state.h"

// Deeper folders than this are kept as records but not read: each level
// holds a directory object, and a damaged volume can nest without end.
static constexpr size_t max_depth = 10000;
// Consecutive clusters are read in one transfer of up to this much.
static constexpr size_t restore_block_bytes = 1u << 20;

void fat_recovery_c::reset()
{
    state_.reset_counters();
    error_.clear();
    short_note_.clear();
    unreadable_sectors_ = 0;
    store_.clear();
}

qint64 fat_recovery_c::fat_time(uint16_t date, uint16_t time)
{
    struct tm t = {};
    t.tm_sec = (time & 0x1F) * 2;
    t.tm_min = (time >> 5) & 0x3F;
    t.tm_hour = (time >> 11) & 0x1F;
    t.tm_mday = date & 0x1F;
    t.tm_mon = ((date >> 5) & 0x0F) - 1;
    t.tm_year = (date >> 9) + 80;
    t.tm_isdst = 0;
    time_t seconds = mktime(&t);
    return seconds == static_cast<time_t>(-1) ? 0 : static_cast<qint64>(seconds);
}

void fat_recovery_c::run()
{
    reset();
    std::shared_ptr<block_device_c> device = this->device();
    const bool bound = device != nullptr;
    fat_bind_volume(volume_, std::move(device));
    const int mount_result = bound ? fat_find_volume(volume_) : fr_not_ready;
    if (mount_result != fr_ok)
        error_ = mount_result == fr_no_filesystem ? QStringLiteral("no FAT file system on the volume")
                                                  : QStringLiteral("the volume cannot be found or read");
    fat_log_line(log_, "Start Fat Scan.\n");
    // After a failed mount the walk only logs that the root cannot be opened.
    if (bound && (mount_result != fr_ok || check_length())) {
        walk();
        mark_fat_states(volume_, store_);
    }
    if (volume_.backup_boot)
        fat_log_line(log_, "Boot sector unreadable; read the backup copy.\n");

    fat_item_s root;
    root.attributes = fat_attr_directory;
    store_.insert(0, root);
    link_fat_store(store_);
}

bool fat_recovery_c::check_length()
{
    const uint64_t held = volume_.disk->size_bytes(), whole = fat_volume_bytes(volume_);
    if (held >= whole)
        return true;
    const QString text =
        QStringLiteral("the image holds %1 bytes of a volume of %2 bytes; the rest is missing").arg(held).arg(whole);
    const fat_geometry_s &g = volume_.geometry;
    const uint64_t root =
        g.type == fat32 ? fat_cluster_sector(volume_, static_cast<uint32_t>(g.root_base)) : g.root_base;
    // Without its root folder nothing of the volume can be listed.
    if ((root + 1) * fat_layout::sector_bytes > held) {
        error_ = text;
        return false;
    }
    short_note_ = text;
    return true;
}

bool fat_recovery_c::open_subdirectory(fat_dir_s &dir, uint32_t cluster)
{
    if (fat_open_dir(dir, volume_, u"/") != fr_ok) {
        fat_log_line(log_, "f_opendir failed 2.\n");
        return false;
    }
    dir.start_cluster = cluster;
    dir.cluster = cluster;
    // A cluster outside the volume would leave the object on the root.
    if (fat_read_dir(dir, nullptr) != fr_ok) {
        fat_log_line(log_, "f_opendir failed 2.\n");
        return false;
    }
    // An entry that points into file data must not turn that data into a
    // folder, and everything below it into rows.
    if (fat_move_window(volume_, dir.sector) != fr_ok ||
        !fat_folder_start_ok(volume_.window, sizeof volume_.window, cluster, fat_entry_bounds(volume_.geometry))) {
        fat_log_line(log_, "cluster %u does not start a folder.\n", cluster);
        return false;
    }
    return true;
}

bool fat_recovery_c::replaces(const fat_item_s &old_item, const fat_item_s &new_item) const
{
    const bool new_dir = new_item.attributes & fat_attr_directory;
    const bool new_deleted = new_item.attributes & fat_attr_deleted;
    if (old_item.in_deleted == 0 && new_item.in_deleted != 0)
        return false;
    if (!new_dir && new_deleted)
        return new_item.created > old_item.created;
    if (new_dir && new_deleted) {
        if ((old_item.attributes & fat_attr_directory) && !(old_item.attributes & fat_attr_deleted))
            return false;
        return new_item.created > old_item.created;
    }
    return new_dir;
}

bool fat_recovery_c::below_itself(const fat_item_s &item) const
{
    // A folder listed again inside its own subtree would become its own
    // ancestor, and everything below it would vanish from the tree.
    QSet<quint32> seen;
    for (quint32 id = item.parent; id != 0 && !seen.contains(id);) {
        if (id == item.cluster)
            return true;
        seen.insert(id);
        auto it = store_.constFind(id);
        if (it == store_.cend())
            break;
        id = it.value().parent;
    }
    return false;
}

fat_recovery_c::step_e fat_recovery_c::keep_entry(const fat_file_info_s &info, const char16_t *long_name,
                                                  uint32_t parent, bool in_deleted)
{
    if (info.cluster == 0 || info.short_name[0] == u'.')
        return step_e::next;
    // Below a deleted folder every entry counts as deleted, so it is kept.
    const quint8 attributes = static_cast<quint8>(info.attributes | (in_deleted ? fat_attr_deleted : 0));
    if (!(attributes & (fat_attr_directory | fat_attr_deleted)))
        return step_e::next;

    fat_item_s item;
    item.in_deleted = in_deleted ? 1 : 0;
    item.attributes = attributes;
    item.modified = fat_time(info.modified_date, info.modified_time);
    item.created = fat_time(info.created_date, info.created_time);
    item.cluster = info.cluster;
    item.size = item.stated_size = info.size;
    item.parent = parent;
    // A long name is whole even when deleted; a short one may have lost its first character.
    const char16_t *name = long_name[0] ? long_name : info.short_name;
    item.set_name(QString::fromUtf16(name));
    if (!long_name[0] && info.first_char_lost)
        item.name[0] = u'#';

    auto old = store_.find(item.cluster);
    if (old == store_.end()) {
        store_.insert(item.cluster, item);
        ++state_.found_count;
        return (item.attributes & fat_attr_directory) ? step_e::walk_new_directory : step_e::next;
    }
    if (replaces(old.value(), item) && !below_itself(item))
        old.value() = item;
    return step_e::next;
}

int fat_recovery_c::walk()
{
    // One frame per open directory; the deepest is read first, so entries
    // are met in the same order as by a recursive walk.
    struct frame_s {
        fat_dir_s dir;
        uint32_t id = 0;
        bool in_deleted = false;
    };
    std::vector<std::unique_ptr<frame_s>> stack;
    auto root = std::make_unique<frame_s>();
    if (fat_open_dir(root->dir, volume_, u"/") != fr_ok) {
        fat_log_line(log_, "f_opendir failed 1.\n");
        return -1;
    }
    stack.push_back(std::move(root));

    std::vector<char16_t> long_name(512);
    fat_file_info_s info;
    info.long_name = long_name.data();
    info.long_name_size = long_name.size();
    while (!stack.empty() && state_.stop == 0) {
        frame_s &top = *stack.back();
        if (!state_.count_entry())
            return 0;
        const int read = fat_read_dir(top.dir, &info);
        if (read == fr_disk_err) {
            // A folder sector that cannot be read loses its own entries, not
            // the rest of the folder.
            ++unreadable_sectors_;
            const uint32_t next = (top.dir.index / fat_layout::entries_per_sector + 1) * fat_layout::entries_per_sector;
            if (fat_dir_seek(top.dir, next) == fr_ok)
                continue;
        }
        if (read != fr_ok) {
            fat_log_line(log_, "f_readdir failed 1.\n");
            stack.pop_back();
            continue;
        }
        if (info.short_name[0] == 0) {
            stack.pop_back();
            continue;
        }
        if (keep_entry(info, long_name.data(), top.id, top.in_deleted) != step_e::walk_new_directory ||
            stack.size() >= max_depth)
            continue;
        auto child = std::make_unique<frame_s>();
        child->id = info.cluster;
        child->in_deleted = (info.attributes & fat_attr_deleted) || top.in_deleted;
        if (open_subdirectory(child->dir, info.cluster))
            stack.push_back(std::move(child));
    }
    return 0;
}

int fat_recovery_c::recover_item(quint64 id, output_file_c &out)
{
    return copy_item(id, out, UINT64_MAX);
}

int fat_recovery_c::recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes)
{
    return copy_item(row.id, out, max_bytes);
}

int fat_recovery_c::copy_item(quint64 id, output_file_c &out, quint64 max_bytes)
{
    std::lock_guard<std::mutex> lock(recover_mutex_);
    auto it = store_.constFind(static_cast<quint32>(id));
    if (it == store_.cend()) {
        out.set_failure("it is not among the found files");
        return -1;
    }
    const fat_item_s &item = it.value();
    // A file whose every cluster now belongs to another has nothing left:
    // an empty file would pass for it.
    if (item.size == 0 && item.stated_size > 0)
        return recover_no_data;
    fat_file_s file;
    fat_file_setup(file, volume_, item.cluster, item.size);

    const bool contiguous = item.attributes & fat_attr_deleted;
    std::vector<uint8_t> buffer(restore_block_bytes);
    const quint64 wanted = std::min<quint64>(item.size, max_bytes);
    quint64 written = 0;
    // After a large read failed, one sector at a time up to here: what
    // reads is kept, and only the sectors that fail become zeros.
    quint64 careful_until = 0;
    const quint64 cluster_bytes = quint64(volume_.geometry.cluster_sectors) * fat_layout::sector_bytes;
    while (written < wanted) {
        size_t got = 0;
        const quint64 room =
            written < careful_until ? fat_layout::sector_bytes - written % fat_layout::sector_bytes : buffer.size();
        const size_t ask = static_cast<size_t>(std::min<quint64>(room, wanted - written));
        const int res = fat_read_file(file, buffer.data(), ask, &got, contiguous);
        if (got && !out.write(buffer.data(), got))
            return -1;
        written += got;
        if (res == fr_disk_err && written >= careful_until && ask > fat_layout::sector_bytes &&
            fat_skip_unreadable(file, 0, contiguous) == fr_ok) {
            // The read that failed covered at most the rest of one cluster.
            careful_until = std::min<quint64>(written + ask - got, (written / cluster_bytes + 1) * cluster_bytes);
            continue;
        }
        const quint32 position = file.position;
        if (res == fr_disk_err && fat_skip_unreadable(file, static_cast<uint32_t>(ask - got), contiguous) == fr_ok) {
            if (!out.skip_unreadable(file.position - position))
                return -1;
            written += file.position - position;
            continue;
        }
        if (res == fr_disk_err) {
            out.set_failure("read error at byte " + std::to_string(written) + " of the file");
            break;
        }
        if (res != fr_ok || got == 0) {
            out.set_failure("its cluster chain ends after " + std::to_string(written) + " of " +
                            std::to_string(wanted) + " bytes");
            break;
        }
    }
    // What could be read stays, but a short file is not a success.
    return written < wanted ? -1 : 0;
}

int fat_recovery_c::get_item_path(quint64 id, std::wstring *out)
{
    return fat_item_path(store_, id, volume().mount_path, out);
}
