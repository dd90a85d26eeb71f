#include "sc_jpeg_resume.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// How far (dequantized DC, 8 per grey level) the change across a seam may
// rise above three times the image's usual change from row to row.
const long seam_jump = 64;
// The most bytes between a kept state and the seam: one MCU holds far
// fewer, so more means the state is not one this image's data gives.
const uint64_t max_head = 64 * 1024;
// MCUs whose bottoms are kept as the first piece is decoded; the rows above
// seams further on are decoded again when tried.
const size_t kept_bottoms = 1u << 22;
// The most a test reads at once: a few rows of any image joined.
const uint64_t max_read = 64ull << 20;

bool one_byte_repeated(const uint8_t *p, size_t n)
{
    return n > 1 && memcmp(p, p + 1, n - 1) == 0;
}

} // namespace

void sc_jpeg_resume_c::keep(const sc_jpeg_state_s &s, const sc_jpeg_edge_s &edge)
{
    const uint64_t w = layout_.mcus_per_row, m = s.mcu - 1, column = m % w;
    if (m >= w)
        row_sum_ += std::labs(edge.top - bottoms_[column]);
    bottoms_[column] = edge.bottom;
    if (bottom_of_.size() == m && m < kept_bottoms)
        bottom_of_.push_back(static_cast<int16_t>(edge.bottom));
    if (column + 1 == w && m >= w) {
        row_change_.push_back(static_cast<long>(row_sum_ * layout_.quant[0][0] /
                                                static_cast<int64_t>(w * static_cast<uint64_t>(layout_.luma_h))));
        row_sum_ = 0;
    }
}

bool sc_jpeg_resume_c::run(sc_cursor_c &file)
{
    if (!sc_jpeg_read_layout(file, layout_) || layout_.mcus_per_row == 0)
        return false;
    bottoms_.assign(layout_.mcus_per_row, 0);
    sc_jpeg_state_s s;
    s.pos = layout_.scan;
    for (;;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(sc_cursor_c::window_size, file.limit() - s.pos));
        const uint8_t *w = file.window(s.pos, n);
        if (!w)
            break;
        sc_jpeg_decoder_c decoder(layout_, w, n, s.pos);
        const uint64_t window_start = s.pos;
        sc_jpeg_step_e step = sc_jpeg_step_e::mcu;
        for (;;) {
            if (checkpoints_.empty() || s.pos / 512 > last_.pos / 512)
                checkpoints_.push_back(checkpoints_.empty() ? s : last_);
            last_ = s;
            sc_jpeg_edge_s edge;
            step = decoder.step(s, &edge);
            reached_ = std::max(reached_, decoder.reached());
            if (step != sc_jpeg_step_e::mcu)
                break;
            ++done_;
            keep(s, edge);
        }
        whole_ = step == sc_jpeg_step_e::end;
        // On for the next window unless the bytes end here or an MCU does
        // not fit one.
        if (step != sc_jpeg_step_e::more || n < sc_cursor_c::window_size || s.pos == window_start)
            break;
    }
    if (whole_)
        reached_ = s.pos;
    work_ += reached_ - layout_.scan;
    checkpoints_.push_back(last_);
    std::vector<long> sorted = row_change_;
    if (!sorted.empty()) {
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        usual_change_ = sorted[sorted.size() / 2];
    }
    return true;
}

bool sc_jpeg_resume_c::read(block_device_c &device, uint64_t pos, uint64_t len)
{
    const size_t had = buffer_.size();
    if (len == 0)
        return true;
    if (len > max_read)
        return false;
    buffer_.resize(had + len);
    return device.read_exact(pos, buffer_.data() + had, len);
}

// The bottoms of the row of MCUs before from's, decoded again from the
// last state kept a row or more before it.
bool sc_jpeg_resume_c::row_above(block_device_c &device, uint64_t offset, const sc_jpeg_state_s &from,
                                 uint64_t seam)
{
    const uint64_t w = layout_.mcus_per_row;
    if (from.mcu < w || from.mcu <= bottom_of_.size() || above_mcu_ == from.mcu)
        return true;
    auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), from.mcu - w,
                               [](uint64_t mcu, const sc_jpeg_state_s &s) { return mcu < s.mcu; });
    if (it == checkpoints_.begin())
        return false;
    sc_jpeg_state_s s = *--it;
    buffer_.clear();
    if (seam <= s.pos || !read(device, offset + s.pos, seam - s.pos))
        return false;
    work_ += buffer_.size();
    sc_jpeg_decoder_c decoder(layout_, buffer_.data(), buffer_.size(), s.pos);
    above_.assign(w, 0);
    while (s.mcu < from.mcu) {
        sc_jpeg_edge_s edge;
        if (decoder.step(s, &edge) != sc_jpeg_step_e::mcu)
            return false;
        above_[(s.mcu - 1) % w] = edge.bottom;
    }
    above_mcu_ = from.mcu;
    return true;
}

bool sc_jpeg_resume_c::load(block_device_c &device, uint64_t offset, uint64_t seam, uint64_t start, uint64_t tail,
                            sc_jpeg_state_s &from)
{
    // The last state kept that loaded nothing from the seam on.
    auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), seam,
                               [](uint64_t pos, const sc_jpeg_state_s &s) { return pos < s.pos; });
    if (it == checkpoints_.begin() || tail == 0)
        return false;
    from = *--it;
    buffer_.clear();
    if (seam - from.pos > max_head || !read(device, offset + from.pos, seam - from.pos))
        return false;
    const size_t head = buffer_.size();
    if (!read(device, offset + start, tail))
        return false;
    // Free space and fill decode as valid symbols: turned away first.
    for (size_t at = head; at + 512 <= buffer_.size(); at += 512)
        if (one_byte_repeated(buffer_.data() + at, 512))
            return false;
    return true;
}

bool sc_jpeg_resume_c::runs_to_end(block_device_c &device, uint64_t offset, uint64_t seam, uint64_t start,
                                   uint64_t tail_end)
{
    sc_jpeg_state_s s;
    if (tail_end <= start || !load(device, offset, seam, start, tail_end - start, s))
        return false;
    const uint64_t from = s.pos;
    sc_jpeg_decoder_c decoder(layout_, buffer_.data(), buffer_.size(), from);
    sc_jpeg_step_e step = sc_jpeg_step_e::mcu;
    while ((step = decoder.step(s, nullptr)) == sc_jpeg_step_e::mcu) {
    }
    work_ += decoder.reached() - from;
    return step == sc_jpeg_step_e::end && s.pos == seam + (tail_end - start);
}

bool sc_jpeg_resume_c::test(block_device_c &device, uint64_t offset, uint64_t seam, uint64_t start, uint64_t tail_end,
                            sc_jpeg_fit_s &fit)
{
    // About two rows of the first piece's data, or the whole tail.
    const uint64_t w = layout_.mcus_per_row;
    const uint64_t row_bytes = done_ >= w ? (reached_ - layout_.scan) / (done_ / w) : 4096;
    sc_jpeg_state_s from;
    if (tail_end <= start || !load(device, offset, seam, start, std::min(tail_end - start, 2 * row_bytes + 1024), from) ||
        !row_above(device, offset, from, seam))
        return false;
    sc_jpeg_decoder_c decoder(layout_, buffer_.data(), buffer_.size(), from.pos);
    sc_jpeg_state_s s = from;
    std::vector<int32_t> own(w, 0);
    int64_t sum = 0;
    uint64_t compared = 0;
    const int64_t smooth = 3 * usual_change_ + seam_jump, per_sum = layout_.quant[0][0], per_mcu = layout_.luma_h;
    // Past this sum over a whole row (w MCUs compared), the row is rough
    // whatever the MCUs still to come: most wrong starts stop here early.
    const int64_t too_rough = 2 * smooth * static_cast<int64_t>(w) * per_mcu;
    const auto decoded = [&] { work_ += decoder.reached() - from.pos; };
    while (s.mcu <= from.mcu + w) {
        sc_jpeg_edge_s edge;
        const sc_jpeg_step_e step = decoder.step(s, &edge);
        if (step == sc_jpeg_step_e::bad) {
            decoded();
            return false;
        }
        if (step != sc_jpeg_step_e::mcu)
            break;
        const uint64_t m = s.mcu - 1;
        // Against the row above (not known above a seam in the first row).
        if (m >= w && m < from.mcu + w && (from.mcu >= w || m - w >= from.mcu)) {
            const uint64_t up = m - w;
            const int32_t above = up >= from.mcu ? own[up % w]
                : up < bottom_of_.size()         ? bottom_of_[up]
                                                 : above_[up % w];
            sum += std::labs(edge.top - above);
            ++compared;
            if (from.mcu >= w && sum * per_sum > too_rough) {
                decoded();
                return false;
            }
        }
        own[m % w] = edge.bottom;
    }
    decoded();
    fit.jump = compared ? static_cast<long>(sum * per_sum / (static_cast<int64_t>(compared) * per_mcu)) : 0;
    // With no row above to compare with, nothing says it is smooth.
    fit.smooth = compared > 0 && fit.jump <= smooth;
    return fit.jump <= 2 * smooth;
}
