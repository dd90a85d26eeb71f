// Copies a failing source once, carefully, the way careful imaging tools do:
// a first pass in large reads that skips ahead past errors (further while
// they repeat, less again after good reads), a pass back over what was
// skipped, then trimming the edges of each failed area and scraping what is
// left one sector at a time, then optional retries of the bad sectors. The
// rescue map records it all, so a run stopped at any point goes on later.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/block_device.h"
#include "platform/image_output.h"
#include "rescue_map.h"

struct imaging_options_s {
    int retries = 0;                    // passes over the bad sectors after scraping
    uint32_t read_bytes = 64 * 1024;    // the large reads of the first passes
    int map_interval_ms = 5000;         // how often the map is saved while it runs
};

struct imaging_progress_s {
    uint64_t size = 0;
    uint64_t rescued = 0;
    uint64_t bad_bytes = 0; // failed so far: bad sectors and areas still to trim or scrape
    uint64_t bad_areas = 0;
    uint64_t position = 0; // being read
    imaging_phase_e phase = imaging_phase_e::copying;
    int pass = 1;
    double current_rate = 0; // bytes per second over the last seconds
    double average_rate = 0; // over this run
    double since_good_read = 0; // seconds
    double elapsed = 0;         // seconds of this run
    double seconds_left = -1;   // -1 when no estimate means anything
};

class disk_imager_c {
public:
    // map: as loaded from map_path (or a fresh one), fitted to the source.
    disk_imager_c(std::shared_ptr<block_device_c> source, std::unique_ptr<image_output_c> output, rescue_map_c map,
                  std::string map_path, imaging_options_s options);
    ~disk_imager_c();

    enum class result_e { finished, stopped, failed };
    // Runs to the end, or until stop(). The map is saved every few seconds
    // and before it returns. failed: writing the image or the map failed
    // (error() says why).
    result_e run();
    void stop() { stop_ = true; }
    const std::string &error() const { return error_; }

    // Any thread, while it runs.
    imaging_progress_s progress() const;
    rescue_map_c map() const;

private:
    enum class read_e { good, bad, stopped, write_failed };
    read_e read_area(uint64_t pos, uint64_t len, area_status_e on_failure);
    bool copy_pass(bool forward, bool skipping);
    bool trim();
    bool scrape(area_status_e status);
    void set_phase(imaging_phase_e phase, int pass);
    bool save_map();
    void note_rate(uint64_t good_bytes);
    uint64_t sector() const;

    struct state_s;
    std::unique_ptr<state_s> state_;
    std::shared_ptr<block_device_c> source_;
    std::unique_ptr<image_output_c> output_;
    std::string map_path_;
    imaging_options_s options_;
    std::atomic<bool> stop_{false};
    std::string error_;
    mutable std::mutex lock_; // guards the map and the progress
};
