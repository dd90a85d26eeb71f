// JPEG: no checksums, so a seam is proved by decoding the joined file to its
// EOI with every libjpeg warning (corrupt data, extraneous bytes, a marker
// where entropy-coded data should be) taken as a failure.
#include <csetjmp>
#include <cstdio>
#include <map>

#include <jpeglib.h>

#include "sc_join_formats.h"

namespace {

// How far past its reported position the decoder may have read: the data of
// the MCU it was in the middle of.
const uint64_t mcu_slack = 8192;

struct decode_s {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    jmp_buf failed;
    sc_cursor_c *c = nullptr;
    uint64_t next = 0; // file position of the bytes after those handed to libjpeg

    uint64_t consumed() const { return next - source.bytes_in_buffer; }
};

decode_s &state_of(j_common_ptr info)
{
    return *static_cast<decode_s *>(info->client_data);
}

void fail(j_common_ptr info)
{
    longjmp(state_of(info).failed, 1);
}

void on_message(j_common_ptr info, int level)
{
    if (level < 0) // a warning: the data is corrupt
        fail(info);
}

void init_source(j_decompress_ptr) {}
void term_source(j_decompress_ptr) {}

boolean fill(j_decompress_ptr info)
{
    decode_s &d = state_of(reinterpret_cast<j_common_ptr>(info));
    const uint64_t left = d.c->limit() > d.next ? d.c->limit() - d.next : 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, sc_cursor_c::window_size));
    const uint8_t *w = n ? d.c->window(d.next, n) : nullptr;
    if (!w)
        fail(reinterpret_cast<j_common_ptr>(info)); // the file runs past what can be read
    d.source.next_input_byte = w;
    d.source.bytes_in_buffer = n;
    d.next += n;
    return TRUE;
}

void skip(j_decompress_ptr info, long count)
{
    decode_s &d = state_of(reinterpret_cast<j_common_ptr>(info));
    while (count > 0) {
        if (d.source.bytes_in_buffer == 0)
            fill(info);
        const size_t n = std::min(d.source.bytes_in_buffer, static_cast<size_t>(count));
        d.source.next_input_byte += n;
        d.source.bytes_in_buffer -= n;
        count -= static_cast<long>(n);
    }
}

// Decodes the entropy-coded data (no pixels) to EOI. True with *end after
// EOI; false with *end where the decoder stopped. *scan is where the first
// scan's data starts (0 when the headers did not decode).
bool decode(sc_cursor_c &c, uint64_t *end, uint64_t *scan)
{
    decode_s d;
    d.c = &c;
    d.info.err = jpeg_std_error(&d.errors);
    d.errors.error_exit = fail;
    d.errors.emit_message = on_message;
    d.info.client_data = &d;
    *scan = 0;
    if (setjmp(d.failed)) {
        *end = d.consumed();
        jpeg_destroy_decompress(&d.info);
        return false;
    }
    jpeg_create_decompress(&d.info);
    d.source.init_source = init_source;
    d.source.fill_input_buffer = fill;
    d.source.skip_input_data = skip;
    d.source.resync_to_restart = jpeg_resync_to_restart;
    d.source.term_source = term_source;
    d.info.src = &d.source;
    jpeg_read_header(&d.info, TRUE);
    *scan = d.consumed();
    jpeg_read_coefficients(&d.info);
    jpeg_finish_decompress(&d.info);
    *end = d.consumed();
    jpeg_destroy_decompress(&d.info);
    return true;
}

class jpeg_join_c : public sc_join_format_c {
public:
    bool find_break(sc_cursor_c &file, sc_break_s &out) override
    {
        uint64_t end = 0, scan = 0;
        if (decode(file, &end, &scan) || scan == 0 || end <= scan)
            return false;
        // The decoder notices garbage some way after the seam, never before
        // it; it tells where it stopped only at the last whole MCU.
        out = {scan, end + mcu_slack, scan};
        return true;
    }
    bool gap_fits(sc_cursor_c &, const sc_break_s &, uint64_t) override { return true; }
    // The second piece is entropy-coded data up to EOI: the first marker
    // after its start (other than a restart) must be EOI.
    bool seam_fits(sc_cursor_c &device, const sc_break_s &, uint64_t seam, uint64_t gap) override
    {
        const uint64_t from = seam + gap;
        auto it = known_.upper_bound(from);
        if (it != known_.begin() && (--it, from <= it->second.first))
            return it->second.second;
        uint64_t at = from;
        uint8_t b = 0;
        for (;; ++at) {
            at = device.find("\xff", at);
            if (at == sc_cursor_c::npos || !device.u8(at + 1, b)) {
                at = sc_cursor_c::npos;
                break;
            }
            if (b != 0x00 && b != 0xff && !(b >= 0xd0 && b <= 0xd7))
                break;
        }
        const bool eoi = at != sc_cursor_c::npos && b == 0xd9;
        known_[from] = {at, eoi};
        return eoi;
    }
    uint64_t verify(sc_cursor_c &joined) override
    {
        uint64_t end = 0, scan = 0;
        return decode(joined, &end, &scan) ? end : 0;
    }

private:
    // Scans for the first marker already made: start -> (marker, whether EOI).
    std::map<uint64_t, std::pair<uint64_t, bool>> known_;
};

} // namespace

std::unique_ptr<sc_join_format_c> sc_jpeg_join()
{
    return std::make_unique<jpeg_join_c>();
}
