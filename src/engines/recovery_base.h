// The scan engine interface: every scan is a worker thread that walks one
// volume, keeps what it finds in a store of its own, and afterwards writes
// single found items out to files.
#pragma once

#include <QString>
#include <QThread>
#include <string>

#include "devices/volume_item.h"

// Stop codes, written by whoever drives the engine.
enum stop_code_e {
    stop_none = 0,     // the scan ran to its end
    stop_no_scan = 1,  // null engine: there is no scan
    stop_abandon = 2,  // results are discarded
    stop_user = 3,     // results found so far stay
};

class recovery_base_c : public QThread {
    Q_OBJECT
public:
    using QThread::QThread;

    virtual void set_volume(const volume_item_s &volume) = 0;
    virtual double get_progress() = 0;
    virtual void set_progress(double progress) = 0;
    virtual void set_stop(int code) = 0;
    virtual int get_stop() { return stop_no_scan; }
    virtual int get_pause() = 0;
    virtual void set_pause(int pause) = 0;
    virtual quint64 get_read_count() = 0;
    virtual void reset() = 0;
    // Writes the item's data to destination (created or truncated). 0 when the
    // whole item was written, -1 otherwise (a partial file may be left).
    virtual int recover_item(quint64 id, QString destination) = 0;
    // Appends the item's full source path to *out; 0, or -1 when the item or
    // one of its ancestors is not stored.
    virtual int get_item_path(quint64 id, std::wstring *out) { return 0; }
    virtual quint64 get_found_count() { return 0; }
};

// The null engine: answers everything with its neutral value.
class recovery_stop_c : public recovery_base_c {
    Q_OBJECT
public:
    using recovery_base_c::recovery_base_c;
    void set_volume(const volume_item_s &) override {}
    double get_progress() override { return 0.0; }
    void set_progress(double) override {}
    void set_stop(int) override {}
    int get_stop() override { return stop_no_scan; }
    int get_pause() override { return 0; }
    void set_pause(int) override {}
    quint64 get_read_count() override { return 0; }
    void reset() override {}
    int recover_item(quint64, QString) override { return 0; }
    int get_item_path(quint64, std::wstring *) override { return 0; }
    quint64 get_found_count() override { return 0; }
};
