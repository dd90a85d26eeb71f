// The exFAT scan engine: walks an exFAT volume through our own reader, keeps
// every folder and every deleted entry set, and writes found files back out.
#pragma once

#include <QString>
#include <mutex>

#include "engines/exfat/exfat_item.h"
#include "engines/file_system_engine.h"
#include "libexfat/exfat_volume.h"
#include "libexfat/exfat_walk.h"

class exfat_recovery_c : public file_system_engine_c {
    Q_OBJECT
public:
    using file_system_engine_c::file_system_engine_c;

    void run() override;
    void reset() override;
    int recover_item(quint64 id, output_file_c &out) override;
    int recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes) override;
    int get_item_path(quint64 id, std::wstring *out) override;
    QString get_error() const override { return error_; }
    QString get_note() const override;
    QString get_engine_name() const override { return QStringLiteral("exFAT"); }
    found_folder_s get_found_tree() const override;
    // Restores read fixed runs through the device alone.
    int restore_threads() const override { return 2; }

    // Read by the pages and tests only after the thread has finished.
    const exfat_store_t &store() const { return store_; }

private:
    void keep(const exfat_found_s &found);
    int copy_item(quint64 id, output_file_c &out, quint64 max_bytes);

    exfat_store_t store_;
    exfat_volume_c volume_;
    exfat_walk_counts_s counts_;
    QString error_;
    QString short_note_;
};
