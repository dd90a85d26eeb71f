// JPEG: no checksums, so a seam is proved by decoding the joined file to its
// EOI with every libjpeg warning (corrupt data, extraneous bytes, a marker
// where entropy-coded data should be) taken as a failure. A baseline file's
// first piece is decoded once by our own entropy decoder, and each second
// piece is tested from the state kept at the seam; one that goes on
// smoothly is decoded to its EOI from there, so that libjpeg decodes only
// the few joins ranked when none did.
#include <csetjmp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "sc_join_formats.h"
#include "sc_jpeg_resume.h"

namespace {

// Bytes handed to libjpeg at a time when looking for where a file breaks:
// the decoder's own position lags by up to an MCU, but it has read no
// further than what it was handed, which small hands keep close.
const size_t break_hand = 512;
// How far (dequantized DC, 8 per grey level) the mean change of the image
// from one block row to the next may rise at a seam above three times its
// median.
const long seam_jump = 64;
// The shortest second piece joined. Noise passes the first test (no marker
// before EOI) over n bytes about once in 256 e^(n/266) tries and then now
// and then decodes to the end; over 2 KiB it practically never does, while
// over a few hundred bytes it does a few times per 8 MiB searched.
const uint64_t min_tail = 2048;

struct decode_s {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    jmp_buf failed;
    sc_cursor_c *c = nullptr;
    uint64_t next = 0;                      // file position of the bytes after those handed to libjpeg
    size_t hand = sc_cursor_c::window_size; // bytes handed at a time
    uint64_t scan = 0;                      // kept here, not in a local: a local set after setjmp is lost by longjmp
    uint64_t seam = UINT64_MAX;             // where a joined file's second piece takes over
    long seam_row = -1;                     // the iMCU row being decoded when it did

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
    uint64_t left = d.c->limit() > d.next ? d.c->limit() - d.next : 0;
    // Hands stop at the seam, so the row decoded when it is crossed is known.
    if (d.next < d.seam)
        left = std::min(left, d.seam - d.next);
    else if (d.seam_row < 0)
        d.seam_row = static_cast<long>(info->input_iMCU_row);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, d.hand));
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

// Whether every coefficient lies in the range an 8-bit image's DCT can
// give (DC within 1024, AC within 2048, once dequantized). Entropy-coded
// noise that happens to decode to the end gives values far outside it,
// the DC above all: it is coded as differences, so noise walks it away.
bool coefficients_in_range(j_decompress_ptr info, jvirt_barray_ptr *coefficients)
{
    for (int ci = 0; ci < info->num_components; ++ci) {
        const jpeg_component_info &comp = info->comp_info[ci];
        if (!comp.quant_table)
            continue;
        const UINT16 *q = comp.quant_table->quantval;
        for (JDIMENSION row = 0; row < comp.height_in_blocks; ++row) {
            JBLOCKARRAY blocks =
                info->mem->access_virt_barray(reinterpret_cast<j_common_ptr>(info), coefficients[ci], row, 1, FALSE);
            for (JDIMENSION b = 0; b < comp.width_in_blocks; ++b)
                for (int k = 0; k < DCTSIZE2; ++k) {
                    const long v = static_cast<long>(blocks[0][b][k]) * q[k];
                    const long bound = (k == 0 ? 1024 : 2048) + q[k];
                    if (v > bound || v < -bound)
                        return false;
                }
        }
    }
    return true;
}

// Whether the image goes on smoothly across the seam's rows: the mean change
// of luma DC from one block row to the next there is not far above its
// median over the image. DC is coded as differences, so a tail taken from
// another image (or noise) shifts every block after the seam by an offset
// that shows as a jump at the seam.
bool smooth_across(j_decompress_ptr info, jvirt_barray_ptr *coefficients, long seam_row)
{
    const jpeg_component_info &luma = info->comp_info[0];
    if (seam_row < 0 || !luma.quant_table || luma.height_in_blocks < 3)
        return true;
    const long q = luma.quant_table->quantval[0];
    std::vector<long> change; // per block row from the second on
    std::vector<JCOEF> previous(luma.width_in_blocks);
    for (JDIMENSION row = 0; row < luma.height_in_blocks; ++row) {
        JBLOCKARRAY blocks =
            info->mem->access_virt_barray(reinterpret_cast<j_common_ptr>(info), coefficients[0], row, 1, FALSE);
        long sum = 0;
        for (JDIMENSION b = 0; b < luma.width_in_blocks; ++b) {
            sum += std::labs(static_cast<long>(blocks[0][b][0]) - previous[b]) * q;
            previous[b] = blocks[0][b][0];
        }
        if (row > 0)
            change.push_back(sum / static_cast<long>(luma.width_in_blocks));
    }
    std::vector<long> sorted = change;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const long median = sorted[sorted.size() / 2];
    // change[i] is between block rows i and i + 1; the seam's iMCU row and
    // the first row after it.
    const long v = luma.v_samp_factor;
    const long from = std::max<long>(seam_row * v - 1, 0);
    const long to = std::min<long>((seam_row + 2) * v - 1, static_cast<long>(change.size()));
    for (long i = from; i < to; ++i)
        if (change[static_cast<size_t>(i)] > 3 * median + seam_jump)
            return false;
    return true;
}

struct decoded_s {
    bool whole = false;     // decoded to EOI without a warning, every coefficient in range
    uint64_t end = 0;       // after EOI; else how far the decoder had read when it stopped
    uint64_t used = 0;      // of those bytes, how many it had decoded
    uint64_t scan = 0;      // where the first scan's data starts (0: headers did not decode)
    uint64_t rows = 0;      // iMCU rows of the image
    uint64_t rows_done = 0; // of them, decoded before the decoder stopped
    bool progressive = false;
};

// Decodes the entropy-coded data (no pixels) to EOI, handing libjpeg hand
// bytes at a time; a join's seam, when given, must lie where the image
// goes on smoothly.
decoded_s decode(sc_cursor_c &c, size_t hand = sc_cursor_c::window_size, uint64_t seam = UINT64_MAX)
{
    decode_s d;
    d.c = &c;
    d.hand = hand;
    d.seam = seam;
    d.info.err = jpeg_std_error(&d.errors);
    d.errors.error_exit = fail;
    d.errors.emit_message = on_message;
    d.info.client_data = &d;
    if (setjmp(d.failed)) {
        decoded_s stopped;
        stopped.end = d.next;
        stopped.used = d.consumed();
        stopped.scan = d.scan;
        stopped.rows = d.info.total_iMCU_rows;
        stopped.rows_done = d.info.input_iMCU_row;
        stopped.progressive = d.info.progressive_mode;
        jpeg_destroy_decompress(&d.info);
        return stopped;
    }
    jpeg_create_decompress(&d.info);
    d.source.init_source = init_source;
    d.source.fill_input_buffer = fill;
    d.source.skip_input_data = skip;
    d.source.resync_to_restart = jpeg_resync_to_restart;
    d.source.term_source = term_source;
    d.info.src = &d.source;
    jpeg_read_header(&d.info, TRUE);
    d.scan = d.consumed();
    decoded_s out;
    out.scan = d.scan;
    jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&d.info);
    out.whole = coefficients_in_range(&d.info, coefficients) && smooth_across(&d.info, coefficients, d.seam_row);
    jpeg_finish_decompress(&d.info);
    out.end = out.used = d.consumed();
    out.rows = out.rows_done = d.info.total_iMCU_rows;
    out.progressive = d.info.progressive_mode;
    jpeg_destroy_decompress(&d.info);
    return out;
}

class jpeg_join_c : public sc_join_format_c {
public:
    explicit jpeg_join_c(const sc_join_place_s &place) : place_(place), gaps_(place.memo.jpeg_gaps) {}
    bool find_break(sc_cursor_c &file, sc_break_s &out) override
    {
        if (resume_.run(file) && !resume_.whole()) {
            ranks_ = true;
            const sc_jpeg_layout_s &layout = resume_.layout();
            // A seam that splits a stuffed 0xff from its zero stops the
            // decoder at the 0xff, one byte short of the seam.
            out = {layout.scan, resume_.end() + 1, layout.scan};
            if (resume_.mcus_done() >= 2 * layout.mcus_per_row) {
                row_bytes_ = (resume_.end() - layout.scan) / (resume_.mcus_done() / layout.mcus_per_row);
                length_ = layout.scan + layout.mcu_rows * row_bytes_;
            }
            return true;
        }
        const decoded_s d = decode(file, break_hand);
        // A progressive file is not joined: its later scans refine what the
        // first ones drew, and another file's refinements (or noise) decode
        // as cleanly and change the picture too little to tell them apart.
        if (d.whole || d.scan == 0 || d.end <= d.scan || d.rows == 0 || d.progressive)
            return false;
        // The decoder notices garbage some way after the seam (sometimes
        // long after), never before it.
        out = {d.scan, d.end, d.scan};
        // A rate from two rows or more; fewer tell nothing of the rest.
        if (d.rows_done >= 2) {
            row_bytes_ = (d.end - d.scan) / d.rows_done;
            length_ = d.scan + d.rows * row_bytes_;
        }
        return true;
    }
    bool gap_fits(sc_cursor_c &, const sc_break_s &, uint64_t) override { return true; }
    bool lists_starts() const override { return true; }
    // Where the first marker after a place is EOI: entropy-coded data up to
    // the file's end could start there.
    uint64_t next_start(sc_cursor_c &, uint64_t from, uint64_t upto) override
    {
        const uint64_t at = gaps_.next_start(place_.device, place_.offset + from, place_.offset + upto);
        return at == UINT64_MAX ? sc_cursor_c::npos : at - place_.offset;
    }
    // The second piece is entropy-coded data up to EOI: the first marker
    // after its start (other than a restart) must be EOI, at least min_tail
    // bytes on, and what lies before it about what the rows left to decode
    // take at the first piece's rate.
    bool seam_fits(sc_cursor_c &, const sc_break_s &, uint64_t seam, uint64_t gap) override
    {
        const uint64_t tail = tail_at(seam + gap);
        if (tail < min_tail)
            return false;
        if (length_ == 0)
            return true;
        const uint64_t left = length_ > seam ? length_ - seam : 0;
        const uint64_t slack = 2 * row_bytes_ + 1024;
        return tail + slack >= left / 4 && tail <= 4 * left + slack;
    }
    bool ranks_pairs() const override { return ranks_; }
    bool rank(sc_cursor_c &, const sc_break_s &, uint64_t seam, uint64_t gap, sc_join_fit_s &fit) override
    {
        const uint64_t at = seam + gap;
        sc_jpeg_fit_s jpeg;
        const uint64_t end = at + tail_at(at);
        if (!resume_.test(place_.device, place_.offset, seam, at, end, jpeg))
            return false;
        fit = {jpeg.jump, jpeg.smooth};
        // One that fits as well as the image's own rows is decoded on to its
        // EOI by our decoder from the state at the seam: another image's
        // data with the same tables ends at another MCU. That proves the
        // join as libjpeg would (every code, every coefficient in range, the
        // EOI right after the last MCU) at the cost of the second piece
        // alone, not of the whole file again.
        if (jpeg.smooth) {
            if (!resume_.runs_to_end(place_.device, place_.offset, seam, at, end))
                return false;
            fit.whole = seam + (end - at);
        }
        return true;
    }
    uint64_t work() const override { return resume_.bytes_decoded() + verified_; }
    uint64_t verify(sc_cursor_c &joined, uint64_t seam) override
    {
        const decoded_s d = decode(joined, sc_cursor_c::window_size, seam);
        if (ranks_) // else the search counts what verifying reads
            verified_ += d.used;
        return d.whole ? d.end : 0;
    }

private:
    // The bytes from a start (file position) up to its EOI, 0 when no
    // second piece can start there.
    uint64_t tail_at(uint64_t at)
    {
        const uint64_t end = gaps_.eoi_after(place_.device, place_.offset + at);
        return end ? end - place_.offset - at : 0;
    }

    sc_join_place_s place_;
    sc_jpeg_gap_map_c &gaps_;
    uint64_t row_bytes_ = 0; // entropy-coded bytes per iMCU row in the first piece
    uint64_t length_ = 0;    // the file's length at that rate; 0 when not known
    sc_jpeg_resume_c resume_;
    bool ranks_ = false; // a baseline file: pairs are tested by our decoder first
    uint64_t verified_ = 0; // bytes libjpeg decoded to verify joins
};

} // namespace

std::unique_ptr<sc_join_format_c> sc_jpeg_join(const sc_join_place_s &place)
{
    return std::make_unique<jpeg_join_c>(place);
}
