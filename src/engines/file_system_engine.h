// What the FAT and NTFS engines share: the counters of engine_state_s, which
// the front ends read while the scan thread writes them.
#pragma once

#include "engines/engine_state.h"
#include "engines/recovery_base.h"

class file_system_engine_c : public recovery_base_c {
    Q_OBJECT
public:
    using recovery_base_c::recovery_base_c;

    double get_progress() override { return state_.progress; }
    void set_progress(double progress) override { state_.progress = progress; }
    void set_stop(int code) override { state_.stop = code; }
    int get_stop() override { return state_.stop; }
    int get_pause() override { return state_.pause; }
    void set_pause(int pause) override { state_.pause = pause; }
    quint64 get_read_count() override { return state_.read_count; }
    quint64 get_found_count() override { return state_.found_count; }

protected:
    engine_state_s state_;
};
