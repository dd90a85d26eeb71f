// The scan engine interface: every scan is a worker thread that walks one
// volume, keeps what it finds in a store of its own, and afterwards writes
// single found items out to files.
#pragma once

#include <QString>
#include <QThread>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "records/volume_item.h"
#include "engines/raw/raw_item.h"
#include "engines/raw/rebuild/rebuilt_tree.h"
#include "platform/block_device.h"
#include "platform/output_folder.h"
#include "records/found_folder.h"
#include "records/recovery_item.h"

// Stop codes, written by whoever drives the engine.
enum stop_code_e {
    stop_none = 0,    // the scan ran to its end
    stop_no_scan = 1, // null engine: there is no scan
    stop_abandon = 2, // results are discarded
    stop_user = 3,    // results found so far stay
};

// What recover_row answers besides 0 (written) and -1 (failed).
enum recover_result_e {
    recover_no_data = -2, // the row names a file whose data is not stored anywhere
};

// Takes an engine's diagnostic lines; an empty one discards them.
using engine_log_fn = std::function<void(const std::string &line)>;

// Opens a volume's device; null when it cannot be opened.
using device_opener_fn = std::function<std::shared_ptr<block_device_c>()>;

class recovery_base_c : public QThread {
    Q_OBJECT
public:
    using QThread::QThread;

    // The volume to scan and the device it was opened as (offset 0: its
    // first byte; null when it could not be opened, which the scan reports).
    // The scan and every restore read through that one device, from any
    // number of threads. Call while no scan runs.
    void set_volume(const volume_item_s &volume, std::shared_ptr<block_device_c> device);
    // The same, for results read back from a scan file: the device is opened
    // when first needed (the volume may be gone by then), and again at the
    // next need while it cannot be.
    void set_lazy_volume(const volume_item_s &volume, device_opener_fn open);
    const volume_item_s &volume() const { return volume_; }
    // The volume's device, opened now if it was set lazily; null when it
    // cannot be opened.
    std::shared_ptr<block_device_c> device();

    virtual double get_progress() = 0;
    virtual void set_progress(double progress) = 0;
    virtual void set_stop(int code) = 0;
    virtual int get_stop() { return stop_no_scan; }
    virtual int get_pause() = 0;
    virtual void set_pause(int pause) = 0;
    virtual quint64 get_read_count() = 0;
    virtual void reset() = 0;
    // Writes the item's data into out, a new file. 0 when the whole item was
    // written, -1 otherwise (out keeps what was written, and says why).
    virtual int recover_item(quint64 id, output_file_c &out) = 0;
    // Appends the item's full source path to *out; 0, or -1 when the item or
    // one of its ancestors is not stored.
    virtual int get_item_path(quint64 id, std::wstring *out) { return 0; }
    virtual quint64 get_found_count() { return 0; }

    // What the front ends read instead of the store itself.

    // Why the last scan could not run (volume not mounted, device not
    // readable); empty when it ran, to its end or until stopped.
    virtual QString get_error() const { return QString(); }
    // After a scan that ran: what the user should know about how it read the
    // volume (a damaged boot sector read from its backup); empty otherwise.
    virtual QString get_note() const { return QString(); }
    // Where the engine writes its diagnostic lines; call while no scan runs.
    virtual void set_log(engine_log_fn) {}
    // A short name for messages: "FAT", "NTFS", "deep scan".
    virtual QString get_engine_name() const { return QString(); }
    // The found folders of a finished scan: "/" holding the root's files and,
    // below it, every folder the engine's rules show. Read only after the
    // thread has finished.
    virtual found_folder_s get_found_tree() const { return found_folder_s(QStringLiteral("/")); }
    // Writes one row of the tree into out the way this engine restores it:
    // 0 written whole, -1 failed (out keeps what was written and says why),
    // recover_no_data when there is nothing to write.
    virtual int recover_row(const recovery_item_s &row, output_file_c &out) { return recover_item(row.id, out); }
    // Writes at most the first max_bytes of a row, for a look at its start:
    // 0 when written, -1 when it failed or this engine cannot stop early
    // for the row (it then writes whole rows of at most max_bytes only).
    virtual int recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes)
    {
        return row.size <= max_bytes ? recover_row(row, out) : -1;
    }
    // How many rows recover_row may write at once from different threads;
    // engines whose reads share state keep to one.
    virtual int restore_threads() const { return 1; }
    // The results as scan-file entries, whose index is the row id; false
    // when this engine's results are not kept in scan files.
    virtual bool get_scan_entries(std::vector<raw_item_s> *) const { return false; }
    // Takes loaded entries in place of a scan of the volume set last; false
    // when this engine does not keep scan files.
    virtual bool set_scan_entries(std::vector<raw_item_s>) { return false; }
    // The pieces of the entries joined from more than one, keyed by entry
    // index; set after set_scan_entries. False when not kept in scan files.
    virtual bool get_scan_pieces(raw_pieces_t *) const { return false; }
    virtual bool set_scan_pieces(raw_pieces_t) { return false; }
    // The folders and files rebuilt from what a format left of the volume's
    // old file system; their row ids follow the entries'. Set after
    // set_scan_entries. False when not kept in scan files.
    virtual bool get_scan_rebuilt(rebuilt_tree_s *) const { return false; }
    virtual bool set_scan_rebuilt(rebuilt_tree_s) { return false; }

private:
    volume_item_s volume_;
    std::mutex device_lock_; // restores on several threads may open it first
    std::shared_ptr<block_device_c> device_;
    device_opener_fn open_device_;
};

// The null engine: answers everything with its neutral value.
class recovery_stop_c : public recovery_base_c {
    Q_OBJECT
public:
    using recovery_base_c::recovery_base_c;
    double get_progress() override { return 0.0; }
    void set_progress(double) override {}
    void set_stop(int) override {}
    int get_stop() override { return stop_no_scan; }
    int get_pause() override { return 0; }
    void set_pause(int) override {}
    quint64 get_read_count() override { return 0; }
    void reset() override {}
    int recover_item(quint64, output_file_c &) override { return 0; }
    int get_item_path(quint64, std::wstring *) override { return 0; }
    quint64 get_found_count() override { return 0; }
};
