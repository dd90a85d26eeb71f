#include "disk_imager.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>

#include "read_worker.h"

namespace {

using clock_t_ = std::chrono::steady_clock;

constexpr int read_wait_ms = 200;
constexpr double rate_window_s = 5;
// Past this since the last good read, a time left would be a guess.
constexpr double estimate_stale_s = 10;
constexpr uint64_t largest_skip = 1ull << 30;

double seconds(clock_t_::duration d)
{
    return std::chrono::duration<double>(d).count();
}

uint64_t round_down(uint64_t v, uint64_t unit)
{
    return v - v % unit;
}

} // namespace

struct disk_imager_c::state_s {
    state_s(rescue_map_c m, std::shared_ptr<block_device_c> source, size_t max_read)
        : map(std::move(m)), worker(std::move(source), max_read)
    {}
    rescue_map_c map;
    read_worker_c worker;
    clock_t_::time_point started = clock_t_::now();
    clock_t_::time_point last_good = started;
    clock_t_::time_point last_save = started;
    uint64_t rescued_at_start = 0;
    uint64_t rescued_now = 0;
    std::deque<std::pair<clock_t_::time_point, uint64_t>> samples; // (when, rescued this run)
};

disk_imager_c::disk_imager_c(std::shared_ptr<block_device_c> source, std::unique_ptr<image_output_c> output,
                             rescue_map_c map, std::string map_path, imaging_options_s options)
    : source_(source), output_(std::move(output)), map_path_(std::move(map_path)), options_(options)
{
    const uint64_t unit = sector();
    options_.read_bytes = static_cast<uint32_t>(std::max<uint64_t>(unit, round_down(options_.read_bytes, unit)));
    state_ = std::make_unique<state_s>(std::move(map), source_, options_.read_bytes);
    state_->rescued_at_start = state_->map.bytes_with(area_status_e::rescued);
}

disk_imager_c::~disk_imager_c() = default;

uint64_t disk_imager_c::sector() const
{
    return std::max<uint32_t>(source_->sector_size(), 512);
}

disk_imager_c::result_e disk_imager_c::run()
{
    const bool resume_copy = state_->map.phase == imaging_phase_e::copying && state_->map.pass == 1;
    bool ok = true;
    if (resume_copy || state_->map.next_with(area_status_e::untried, 0)) {
        set_phase(imaging_phase_e::copying, 1);
        ok = copy_pass(true, true);
        if (ok) {
            set_phase(imaging_phase_e::copying, 2);
            ok = copy_pass(false, false);
        }
    }
    if (ok) {
        set_phase(imaging_phase_e::trimming, 1);
        ok = trim();
    }
    if (ok) {
        set_phase(imaging_phase_e::scraping, 1);
        ok = scrape(area_status_e::unscraped);
    }
    for (int retry = 1; ok && retry <= options_.retries; ++retry) {
        set_phase(imaging_phase_e::retrying, retry);
        ok = scrape(area_status_e::bad);
    }
    if (ok) {
        std::lock_guard<std::mutex> hold(lock_);
        state_->map.phase = imaging_phase_e::finished;
        state_->map.current_pos = state_->map.size();
    }
    const bool saved = save_map();
    if (!error_.empty() || !saved)
        return result_e::failed;
    return ok ? result_e::finished : result_e::stopped;
}

disk_imager_c::read_e disk_imager_c::read_area(uint64_t pos, uint64_t len, area_status_e on_failure)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        state_->map.current_pos = pos;
    }
    read_worker_c::outcome_e got;
    while ((got = state_->worker.read(pos, len, read_wait_ms)) == read_worker_c::outcome_e::still_running) {
        if (stop_)
            return read_e::stopped;
        if (seconds(clock_t_::now() - state_->last_save) * 1000 >= options_.map_interval_ms && !save_map())
            return read_e::write_failed;
    }
    read_e result = read_e::bad;
    if (got == read_worker_c::outcome_e::read) {
        if (!output_->write_at(pos, state_->worker.data(), len)) {
            error_ = std::string("writing the image failed: ") + strerror(errno);
            return read_e::write_failed;
        }
        result = read_e::good;
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        state_->map.mark(pos, len, result == read_e::good ? area_status_e::rescued : on_failure);
        if (result == read_e::good) {
            state_->last_good = clock_t_::now();
            state_->rescued_now += len;
            note_rate(state_->rescued_now);
        }
    }
    if (seconds(clock_t_::now() - state_->last_save) * 1000 >= options_.map_interval_ms && !save_map())
        return read_e::write_failed;
    return stop_ ? read_e::stopped : result;
}

bool disk_imager_c::copy_pass(bool forward, bool skipping)
{
    const uint64_t unit = sector();
    const uint64_t chunk = options_.read_bytes;
    const uint64_t size = state_->map.size();
    const uint64_t most_skip = std::max<uint64_t>(chunk, round_down(std::min(largest_skip, size / 100), unit));
    uint64_t skip = chunk;
    uint64_t pos = forward ? state_->map.current_pos : size;
    for (;;) {
        uint64_t start, len;
        {
            std::lock_guard<std::mutex> hold(lock_);
            const map_area_s *a = forward ? state_->map.next_with(area_status_e::untried, pos)
                                          : state_->map.previous_with(area_status_e::untried, pos);
            if (!a)
                return true;
            // Reads keep to whole chunks, so a failed one covers one chunk.
            if (forward) {
                start = std::max(pos, a->pos);
                len = std::min(chunk - start % chunk, a->end() - start);
            } else {
                const uint64_t end = std::min(pos, a->end());
                start = std::max(a->pos, round_down(end - 1, chunk));
                len = end - start;
            }
        }
        const read_e r = read_area(start, len, area_status_e::untrimmed);
        if (r == read_e::stopped || r == read_e::write_failed)
            return false;
        pos = forward ? start + len : start;
        if (!skipping)
            continue;
        if (r == read_e::good) {
            skip = std::max(chunk, skip / 2);
        } else {
            // The sectors after a bad one are often bad too: leave them for
            // the pass back, and jump further while errors keep coming.
            pos = std::min(size, pos + skip);
            skip = std::min(most_skip, skip * 2);
        }
    }
}

bool disk_imager_c::trim()
{
    const uint64_t unit = sector();
    uint64_t pos = 0;
    for (;;) {
        uint64_t start, end;
        {
            std::lock_guard<std::mutex> hold(lock_);
            const map_area_s *a = state_->map.next_with(area_status_e::untrimmed, pos);
            if (!a)
                return true;
            start = a->pos;
            end = a->end();
        }
        // From the front up to the first bad sector...
        uint64_t front = start;
        read_e r = read_e::good;
        while (front < end && (r = read_area(front, std::min(unit, end - front), area_status_e::bad)) == read_e::good)
            front += std::min(unit, end - front);
        if (r == read_e::stopped || r == read_e::write_failed)
            return false;
        pos = end;
        if (front >= end)
            continue;
        front += std::min(unit, end - front);
        // ...then from the back down to the last one.
        uint64_t back = end;
        while (back > front) {
            const uint64_t s = std::max(front, round_down(back - 1, unit));
            r = read_area(s, back - s, area_status_e::bad);
            if (r == read_e::stopped || r == read_e::write_failed)
                return false;
            if (r == read_e::bad) {
                std::lock_guard<std::mutex> hold(lock_);
                state_->map.mark(front, s - front, area_status_e::unscraped);
                break;
            }
            back = s;
        }
    }
}

bool disk_imager_c::scrape(area_status_e status)
{
    const uint64_t unit = sector();
    uint64_t pos = 0;
    for (;;) {
        uint64_t start, end;
        {
            std::lock_guard<std::mutex> hold(lock_);
            const map_area_s *a = state_->map.next_with(status, pos);
            if (!a)
                return true;
            start = std::max(pos, a->pos);
            end = a->end();
        }
        const uint64_t len = std::min(unit - start % unit, end - start);
        const read_e r = read_area(start, len, area_status_e::bad);
        if (r == read_e::stopped || r == read_e::write_failed)
            return false;
        pos = start + len;
    }
}

void disk_imager_c::set_phase(imaging_phase_e phase, int pass)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (state_->map.phase != phase || state_->map.pass != pass)
        state_->map.current_pos = 0;
    state_->map.phase = phase;
    state_->map.pass = pass;
}

bool disk_imager_c::save_map()
{
    state_->last_save = clock_t_::now();
    // The image first: the map must never claim bytes a crash could lose.
    if (!output_->flush()) {
        error_ = std::string("writing the image failed: ") + strerror(errno);
        return false;
    }
    std::string text;
    {
        std::lock_guard<std::mutex> hold(lock_);
        text = state_->map.text({"Mapfile. Created by TarnRecovery"});
    }
    std::string why;
    if (!replace_file_text(map_path_, text, &why)) {
        error_ = "saving the map failed: " + why;
        return false;
    }
    return true;
}

void disk_imager_c::note_rate(uint64_t rescued_now)
{
    const auto now = clock_t_::now();
    auto &samples = state_->samples;
    if (samples.empty() || seconds(now - samples.back().first) >= 0.25)
        samples.emplace_back(now, rescued_now);
    while (samples.size() > 2 && seconds(now - samples.front().first) > rate_window_s)
        samples.pop_front();
}

imaging_progress_s disk_imager_c::progress() const
{
    std::lock_guard<std::mutex> hold(lock_);
    const rescue_map_c &map = state_->map;
    const auto now = clock_t_::now();
    imaging_progress_s p;
    p.size = map.size();
    p.rescued = map.bytes_with(area_status_e::rescued);
    p.bad_bytes = map.failed_bytes();
    p.bad_areas = map.failed_areas();
    p.position = map.current_pos;
    p.phase = map.phase;
    p.pass = map.pass;
    p.elapsed = seconds(now - state_->started);
    p.since_good_read = seconds(now - state_->last_good);
    if (p.elapsed > 0)
        p.average_rate = static_cast<double>(state_->rescued_now) / p.elapsed;
    const auto &samples = state_->samples;
    if (!samples.empty()) {
        // Bytes since the oldest kept sample, over the time since then: a
        // source that stopped answering shows its rate falling.
        const double span = seconds(now - samples.front().first);
        if (span > 0)
            p.current_rate = static_cast<double>(state_->rescued_now - samples.front().second) / span;
    }
    if (map.phase == imaging_phase_e::copying && p.current_rate > 0 && p.since_good_read < estimate_stale_s)
        p.seconds_left = static_cast<double>(map.bytes_with(area_status_e::untried)) / p.current_rate;
    return p;
}

rescue_map_c disk_imager_c::map() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return state_->map;
}
