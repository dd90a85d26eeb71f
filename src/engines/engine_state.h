// The state every file-system engine keeps while it scans. The GUI thread
// reads progress and counters while the worker writes them, so they are atomic.
#pragma once

#include <QtGlobal>
#include <atomic>

struct engine_state_s {
    std::atomic<double> progress{0.0};
    std::atomic<int> pause{0};
    std::atomic<int> stop{0};
    std::atomic<quint64> read_count{0};
    std::atomic<quint64> found_count{0};

    void reset_counters()
    {
        progress = 0.0;
        pause = 0;
        stop = 0;
        read_count = 0;
        found_count = 0;
    }

    // Sleeps in 100 ms steps while paused. Returns false when a stop was
    // requested (while paused or before).
    bool wait_while_paused();

    // One folder entry read: waits out a pause, then counts it. Progress
    // creeps towards 0.99 over the first 2000 entries, as a folder walk
    // cannot know its total. Returns false when a stop was requested.
    bool count_entry();
};
