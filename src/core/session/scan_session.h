// One scan from start to restored files, for every front end alike: picks
// the engine for a volume, runs it on its thread, builds the found tree when
// it ends, restores chosen rows, saves a deep scan and reads one back. No
// widgets: a window reads it through models, the command line prints it.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "records/volume_item.h"
#include "engines/recovery_base.h"
#include "records/found_folder.h"
#include "records/found_row.h"
#include "core/restore/recovery_writer.h"
#include "core/session/row_choice.h"

// Whether folder lies on the volume, where restored files could overwrite
// what is still to be restored: the same device as the volume's mount. A
// volume inside an image file never holds it.
bool folder_on_volume(const QString &folder, const volume_item_s &volume);

// Bytes the folder (or, when it does not exist yet, its nearest existing
// parent) can still take; UINT64_MAX when unknown.
quint64 folder_free_bytes(const QString &folder);

class scan_session_c : public QObject {
    Q_OBJECT
public:
    explicit scan_session_c(QObject *parent = nullptr);
    // Abandons a running scan and waits for its thread.
    ~scan_session_c() override;

    // Picks the engine for the volume (the raw engine when deep) and starts
    // its thread. False, with the reason in error(), when no engine takes
    // the volume or a scan still runs.
    bool start_scan(const volume_item_s &volume, bool deep);
    // Where the engines of later scans write their diagnostic lines; the
    // engine's own default (the console) until this is called.
    void set_engine_log(engine_log_fn sink);
    void pause();
    void resume();
    // Ends the scan; what was found so far is kept and shown.
    void stop();
    // Ends the scan and discards its results.
    void abandon();
    // For callers without an event loop: waits up to ms for the scan to end
    // and then finishes it at once. True when no scan runs any more.
    bool wait_for_finish(int ms);

    bool is_scanning() const { return scanning_; }
    bool is_paused() const;
    double progress() const;
    quint64 read_count() const;
    // While scanning the engine's count; after it, the rows of the tree.
    quint64 found_count() const;
    QString engine_name() const;
    const volume_item_s &volume() const { return volume_; }
    bool deep() const { return deep_; }
    // Whether "deleted only" would narrow the rows: only when they hold
    // files the file system still lists beside deleted ones. The engines
    // keep deleted files alone, and a carved find cannot tell.
    bool deleted_only_narrows() const { return deleted_only_narrows_; }

    // After scan_finished: why the scan or the last call failed (empty when
    // it did not), whether the user stopped it, and what it found.
    const QString &error() const { return error_; }
    // What the engine noted about how it read the volume, or what was noted
    // about the scan file read back; empty when nothing.
    QString note() const;
    bool stopped_by_user() const { return stop_code_ == stop_user; }
    const found_folder_s &tree() const { return tree_; }
    // Whether a deep scan is to be offered, as the recovery page does: the
    // result shows no folder below "/" (files lying in the root alone count
    // as empty), and the scan was neither stopped, abandoned nor deep.
    bool offers_deep_scan() const;
    // Every row of the tree, in the order the choice numbers them.
    const QList<found_row_s> &rows() const { return rows_; }
    // What the user chose to restore; emptied whenever the tree is replaced.
    row_choice_c &choice() { return choice_; }
    const row_choice_c &choice() const { return choice_; }
    QList<found_row_s> chosen_rows() const { return choice_.chosen(rows_); }

    bool on_scanned_volume(const QString &folder) const { return folder_on_volume(folder, volume_); }
    // Writes rows into folder, emitting restore_progressed after each.
    recovery_report_s restore(const QList<found_row_s> &rows, const QString &folder, bool recreate_folders);
    // Writes the first max_bytes of row (all of it when shorter) to path, a
    // new file; false when nothing could be written.
    bool restore_head(const recovery_item_s &row, const QString &path, quint64 max_bytes);

    // Saves a finished deep scan, where may_save_scan_file allows. False
    // with the reason in error().
    bool save_result(const QString &path);
    enum load_result_e { loaded, unreadable_file, volume_not_listed, entries_outside_volume };
    // Reads a scan file back as a finished deep scan of the listed volume
    // whose name path is exactly the stored one; error() says why not. A
    // file without a checksum is read with a note().
    load_result_e load_result(const QString &path);

signals:
    void scan_finished();
    // The tree, the rows and the choice were replaced (a scan began or
    // ended, a scan file was read, the results were dropped): views over
    // the old ones must let go of them.
    void tree_replaced();
    void restore_progressed(int done, int total);

private slots:
    void on_engine_finished();

private:
    void finish();
    void discard_results();

    std::unique_ptr<recovery_base_c> engine_;
    volume_item_s volume_;
    bool deep_ = false;
    bool scanning_ = false;
    int requested_stop_ = stop_none; // what stop or abandon asked for
    int stop_code_ = stop_no_scan;
    // The tree and its row count, counted once: the window asks for the
    // count on every repaint.
    void set_tree(found_folder_s tree);
    found_folder_s tree_{QStringLiteral("/")};
    quint64 tree_rows_ = 0;
    bool deleted_only_narrows_ = false;
    QList<found_row_s> rows_;
    row_choice_c choice_;
    QString error_;
    QString load_note_;
    engine_log_fn log_;
    bool log_set_ = false;
};
