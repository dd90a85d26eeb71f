// What the join search asks of one file format.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "checks/sc_check.h"
#include "sc_join.h"

// Where a format's walk over the bytes as they lie broke off: the first
// piece ends (and the second piece's bytes take over) at a sector boundary
// in [first, last], in file positions; the structure resumes at resume in
// the joined file (no gap puts that past the device's end).
struct sc_break_s {
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t resume = 0;
};

// How well a pair that passed a format's cheap test fits.
struct sc_join_fit_s {
    long score = 0;      // lower fits better
    bool smooth = false; // as well as the file's own data: verified at once
    // The joined file's length when the format's own test went on to its end
    // and all of it checks: no other verifying is needed.
    uint64_t whole = 0;
};

class sc_join_format_c {
public:
    virtual ~sc_join_format_c() = default;
    // False when the bytes check whole, or break where no join can be proved.
    virtual bool find_break(sc_cursor_c &file, sc_break_s &out) = 0;
    // Cheap first tests that the file goes on after a gap of gap bytes:
    // gap_fits for every gap, seam_fits for each seam of a gap that fits.
    // device reads from the file's first byte on, as the bytes lie.
    virtual bool gap_fits(sc_cursor_c &device, const sc_break_s &br, uint64_t gap) = 0;
    virtual bool seam_fits(sc_cursor_c &, const sc_break_s &, uint64_t /*seam*/, uint64_t /*gap*/) { return true; }
    // The seams worth verifying for a gap that fits, among the sector
    // boundaries from last_seam down to first_seam (all of them, latest
    // first, unless the format can tell better).
    virtual std::vector<uint64_t> seams_for(sc_cursor_c &device, const sc_break_s &br, uint64_t gap,
                                            uint64_t first_seam, uint64_t last_seam);
    // A format whose gap test says little may list where its second piece
    // can start instead (as the bytes lie): next_start gives the first such
    // place at or after from and below upto, else npos. Each start is then
    // tried with the seams nearest the break first, in order of the gap,
    // and after that with every seam from the latest down; a format that
    // lists none has every gap tried in sector steps.
    virtual bool lists_starts() const { return false; }
    virtual uint64_t next_start(sc_cursor_c &, uint64_t /*from*/, uint64_t /*upto*/) { return sc_cursor_c::npos; }
    // A format that can test a pair in depth, short of verifying it, ranks
    // the pairs that pass: those that fit as well as the file's own data
    // are verified at once (or proved whole by the test itself), the best
    // few of the others at the end.
    virtual bool ranks_pairs() const { return false; }
    virtual bool rank(sc_cursor_c &, const sc_break_s &, uint64_t /*seam*/, uint64_t /*gap*/, sc_join_fit_s &)
    {
        return true;
    }
    // Bytes the format's own tests have read or decoded so far, counted
    // against the search's budget (for a format that ranks pairs, its
    // verifying too; else the bytes verifying reads are counted).
    virtual uint64_t work() const { return 0; }
    // The joined file's length when all of it checks, else 0; the second
    // piece's bytes take over at seam.
    virtual uint64_t verify(sc_cursor_c &joined, uint64_t seam) = 0;
};

// Where the file lies: its first byte at offset on device, of which memo
// keeps what earlier searches learnt.
struct sc_join_place_s {
    block_device_c &device;
    uint64_t offset;
    sc_join_memo_s &memo;
};

// Null unless the file's first bytes are those of a format that can be joined.
std::unique_ptr<sc_join_format_c> sc_join_format_for(sc_cursor_c &file, const sc_join_place_s &place);
