// The NTFS scan engine: pulls file-record descriptions from libntfs, keeps
// directories and deleted entries, links them into a tree and writes single
// items out through the library.
#pragma once

#include "engines/file_system_engine.h"
#include "ntfs_item.h"
#include "ntfs_library.h"

class ntfs_recovery_c : public file_system_engine_c {
    Q_OBJECT
public:
    explicit ntfs_recovery_c(QObject *parent = nullptr);
    // Closes a library scan left open for recover_item.
    ~ntfs_recovery_c() override;

    void run() override;
    void reset() override;
    // Writes the item's unnamed data stream through the library, from its
    // file record (for a deleted entry: its stale run list).
    int recover_item(quint64 id, output_file_c &out) override;
    int get_item_path(quint64 id, std::wstring *out) override;
    QString get_error() const override { return error_; }
    QString get_engine_name() const override { return QStringLiteral("NTFS"); }
    found_folder_s get_found_tree() const override;
    // A live entry is copied from its mounted path when that opens; every
    // other entry is written through the library.
    int recover_row(const recovery_item_s &row, output_file_c &out) override;
    // A row larger than max_bytes is read from its file record, live or not.
    int recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes) override;

    // Read only after the thread has finished.
    const ntfs_store_t &store() const { return store_; }

    // A boot sector read from its backup, an image cut short.
    QString get_note() const override;
    // Replaces the library (tests); call while no scan runs.
    void set_library(const ntfs_library_s &library) { library_ = library; }

private:
    void close_library_scan();
    // The whole stream, or its first max_bytes, through the library.
    int write_stream(quint64 id, output_file_c &out, quint64 max_bytes);
    void update_progress();

    ntfs_scan_context context_{};
    ntfs_store_t store_;
    ntfs_library_s library_;
    QString error_; // written by run before the thread ends
};
