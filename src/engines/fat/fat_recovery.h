// The FAT scan engine: walks a FAT volume through our own reader, keeps every
// directory and every deleted entry, and writes found files back out.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engines/fat/fat_item.h"
#include "engines/file_system_engine.h"
#include "fat_log.h"
#include "libfat/fat_volume.h"

struct fat_dir_s;
struct fat_file_info_s;

class fat_recovery_c : public file_system_engine_c {
    Q_OBJECT
public:
    using file_system_engine_c::file_system_engine_c;

    void run() override;
    void reset() override;
    int recover_item(quint64 id, output_file_c &out) override;
    int recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes) override;
    int get_item_path(quint64 id, std::wstring *out) override;
    QString get_error() const override { return error_; }
    QString get_engine_name() const override { return QStringLiteral("FAT"); }
    found_folder_s get_found_tree() const override;

    // Read by the pages only after the thread has finished.
    const fat_store_t &store() const { return store_; }
    // Sector 0 held no boot sector and the FAT32 backup copy was read instead.
    bool used_backup_boot() const { return volume_.backup_boot; }
    QString get_note() const override;

    // Where the diagnostic lines go; call while no scan runs.
    void set_log(engine_log_fn sink) override { log_ = std::move(sink); }

    // Seconds since 1970 of a FAT date and time taken as local time; 0 when
    // not representable.
    static qint64 fat_time(uint16_t date, uint16_t time);

private:
    // The item's bytes, at most max_bytes of them, into destination.
    int copy_item(quint64 id, output_file_c &out, quint64 max_bytes);
    enum class step_e { next, walk_new_directory, stop };
    // Whether the device holds the volume's root folder; notes or fails a
    // device shorter than its volume.
    bool check_length();
    int walk();
    bool open_subdirectory(fat_dir_s &dir, uint32_t cluster);
    step_e keep_entry(const fat_file_info_s &info, const char16_t *long_name, uint32_t parent, bool in_deleted);
    bool replaces(const fat_item_s &old_item, const fat_item_s &new_item) const;
    bool below_itself(const fat_item_s &item) const;

    fat_store_t store_;
    QString error_;      // written by run before the thread ends
    QString short_note_; // the device is shorter than the volume
    quint64 unreadable_sectors_ = 0; // folder sectors that failed to read (a failing disk)
    fat_volume_s volume_;
    fat_log_fn log_;
    std::mutex recover_mutex_; // a preview and the writer may both restore at once
};
