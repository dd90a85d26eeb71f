// Which bytes of an imaged source were copied, which failed and which are
// still to try. Kept as GNU ddrescue's mapfile text, so that ddrescuelog can
// read our maps and ddrescue can continue a run of ours (and we one of its).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The status characters of the mapfile format.
enum class area_status_e : char {
    untried = '?',
    untrimmed = '*', // a large read failed somewhere inside
    unscraped = '/', // its edges are trimmed; the middle is still to read sector by sector
    bad = '-',       // read one sector at a time and failed
    rescued = '+',
};

// The phase the run was in, as the map's status line keeps it.
enum class imaging_phase_e : char {
    copying = '?',
    trimming = '*',
    scraping = '/',
    retrying = '-',
    finished = '+',
};

struct map_area_s {
    uint64_t pos = 0;
    uint64_t size = 0;
    area_status_e status = area_status_e::untried;
    uint64_t end() const { return pos + size; }
};

class rescue_map_c {
public:
    // A map of size bytes, all untried.
    explicit rescue_map_c(uint64_t size = 0);

    // Reads mapfile text. Areas must be in order and must not overlap; a gap
    // between them is untried. False with the reason in *error.
    static bool parse(const std::string &text, rescue_map_c &out, std::string *error);
    // The mapfile text, after comment lines (each starting with "# ").
    std::string text(const std::vector<std::string> &comments) const;

    // Gives [pos, pos + size) the status, splitting and joining areas.
    void mark(uint64_t pos, uint64_t size, area_status_e status);
    // Makes the map cover exactly size bytes: what it lacked is untried.
    // False when it knows of bytes past size (the map of a larger source).
    bool fit(uint64_t size);

    // The first area of status that ends after pos; null when none does.
    const map_area_s *next_with(area_status_e status, uint64_t pos) const;
    // The last area of status that starts before end; null when none does.
    const map_area_s *previous_with(area_status_e status, uint64_t end) const;

    uint64_t size() const { return areas_.empty() ? 0 : areas_.back().end(); }
    const std::vector<map_area_s> &areas() const { return areas_; }
    uint64_t bytes_with(area_status_e status) const;
    // Bytes and runs of bytes that failed a read ('*', '/' and '-'): what the
    // user sees as bad so far.
    uint64_t failed_bytes() const;
    uint64_t failed_areas() const;

    uint64_t current_pos = 0;
    imaging_phase_e phase = imaging_phase_e::copying;
    int pass = 1;

private:
    // Adds an area that starts where the map ends.
    void append(const map_area_s &area);
    std::vector<map_area_s> areas_;
};
