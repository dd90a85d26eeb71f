// One imaging run as a user asks for it: a source (a disk, a partition or
// an image file), a destination (an image file or a disk) and a map file,
// checked and opened, then run on a thread of its own.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "disk_imager.h"

struct imaging_request_s {
    std::string source;
    std::string destination;
    std::string map_path;
    imaging_options_s options;
};

class imaging_job_c {
public:
    // Checks and opens everything, reading the map when it exists (a run to
    // go on with). Null with the reason in *error: the source cannot be
    // read, the destination would harm it or is in use, the map is not a
    // map or belongs to a larger source.
    static std::unique_ptr<imaging_job_c> open(const imaging_request_s &request, std::string *error);
    ~imaging_job_c();

    void start();
    void stop() { imager_->stop(); }
    // True once the run has ended (waiting up to ms for it).
    bool wait(int ms);
    disk_imager_c::result_e result() const { return result_; }
    const std::string &error() const { return imager_->error(); }
    imaging_progress_s progress() const { return imager_->progress(); }
    rescue_map_c map() const { return imager_->map(); }
    // Whether the map it read held an earlier run's work.
    bool resumed() const { return resumed_; }

private:
    explicit imaging_job_c(std::unique_ptr<disk_imager_c> imager, bool resumed);
    std::unique_ptr<disk_imager_c> imager_;
    std::thread thread_;
    std::atomic<bool> done_{false};
    disk_imager_c::result_e result_ = disk_imager_c::result_e::stopped;
    bool resumed_;
};

// Reads a map file; false with the reason in *error.
bool read_map_file(const std::string &path, rescue_map_c &out, std::string *error);
