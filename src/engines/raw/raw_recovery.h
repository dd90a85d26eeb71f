// The deep-scan engine: finds files by their content through libsc and keeps
// them as a flat table of 32-byte entries with an index by type name.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <atomic>
#include <string>
#include <vector>

#include "engines/raw/names/carved_meta.h"
#include "engines/raw/raw_item.h"
#include "engines/recovery_base.h"
#include "libsc/libsc.h"

class raw_joiner_c;

class raw_recovery_c : public recovery_base_c {
    Q_OBJECT
public:
    explicit raw_recovery_c(QObject *parent = nullptr);

    double get_progress() override;
    void set_progress(double progress) override;
    void set_stop(int code) override;
    int get_stop() override;
    int get_pause() override;
    void set_pause(int pause) override;
    quint64 get_read_count() override { return 0; }
    void reset() override;
    // Writes the entry's bytes; 0 only when all of them were written.
    int recover_item(quint64 id, output_file_c &out) override;
    int recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes) override;
    // Each restore reads through a handle of its own on the one device.
    int restore_threads() const override { return 2; }
    int get_item_path(quint64, std::wstring *) override { return 0; }
    quint64 get_found_count() override { return found_count_; }
    QString get_error() const override { return error_; }
    QString get_engine_name() const override { return QStringLiteral("deep scan"); }
    found_folder_s get_found_tree() const override;
    bool get_scan_entries(std::vector<raw_item_s> *entries) const override;
    bool set_scan_entries(std::vector<raw_item_s> entries) override;
    bool get_scan_pieces(raw_pieces_t *pieces) const override;
    bool set_scan_pieces(raw_pieces_t pieces) override;
    bool get_scan_rebuilt(rebuilt_tree_s *rebuilt) const override;
    bool set_scan_rebuilt(rebuilt_tree_s rebuilt) override;

    // Hands libsc its configuration file (the working folder's, by default).
    void load_config(const std::string &path = "./Tarnrecovery.conf");

    const std::vector<raw_item_s> &items() const { return items_; }
    // What find index says about itself (read_carved_meta), read from its
    // bytes; empty when nothing.
    const carved_meta_s &meta(quint64 index) const;
    // The finds joined from pieces; restored piece after piece.
    const raw_pieces_t &pieces() const { return pieces_; }
    // Folders and named files rebuilt from old file-system structures; file
    // k is row id items().size() + k.
    const rebuilt_tree_s &rebuilt() const { return rebuilt_; }
    // Type name -> indexes of its entries, each list in the order found.
    const QMap<QByteArray, QList<quint64>> &by_type() const { return by_type_; }

    // The libsc found callback: appends an entry and indexes it by the full type name.
    static void on_found(void *user, const char *type, uint64_t offset, uint64_t length);

protected:
    void run() override;

private:
    // Drops the results of an earlier scan and its progress.
    void clear_results();
    // After the scan: joins broken finds with the pieces that continue them;
    // a joined find's metadata is read again through reader.
    void join_pieces(raw_joiner_c &joiner, sc_handle_s *reader);
    // Takes items and their metadata (by position) as the results, none joined.
    void take_items(std::vector<raw_item_s> items, std::vector<carved_meta_s> metas);

    raw_scan_control_s control_{};
    std::vector<raw_item_s> items_;
    raw_pieces_t pieces_;
    rebuilt_tree_s rebuilt_;
    QMap<QByteArray, QList<quint64>> by_type_;
    // Metadata by item position, and the device it is read through during a scan.
    std::vector<carved_meta_s> metas_;
    sc_handle_s *meta_device_ = nullptr;
    raw_joiner_c *joiner_ = nullptr;   // during a scan
    std::atomic<bool> joining_{false}; // from the scan's start until its finds are joined
    // The bytes of a find or a rebuilt file, at most max_bytes of them, into out.
    int copy_find(quint64 id, output_file_c &out, uint64_t max_bytes);
    std::atomic<quint64> found_count_{0};
    QString error_; // written by run before the thread ends
};
