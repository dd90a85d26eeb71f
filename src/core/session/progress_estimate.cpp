#include "core/session/progress_estimate.h"

#include <QString>
#include <algorithm>

namespace {
// The rate is measured over about this long: long enough to smooth the
// bursts of a read, short enough to follow a slower part of the disk.
constexpr qint64 k_rate_window_ms = 10000;
// The predicted end must agree within this share over this many samples.
constexpr double k_stable_spread = 0.1;
constexpr size_t k_stable_samples = 5;
constexpr qint64 k_stable_after_ms = 3000;
} // namespace

void progress_estimate_c::restart()
{
    *this = progress_estimate_c();
}

void progress_estimate_c::sample(quint64 done, quint64 total, qint64 elapsed_ms)
{
    elapsed_ms_ = elapsed_ms;
    total_ = total;
    done_ = std::min(done, total);
    if (!points_.empty() && (done_ < points_.back().done || elapsed_ms < points_.back().ms)) {
        // Gone backwards (a new pass): what was measured no longer holds.
        points_.clear();
        predicted_end_.clear();
    }
    points_.push_back({elapsed_ms, done_});
    while (points_.size() > 2 && points_.back().ms - points_[1].ms >= k_rate_window_ms)
        points_.pop_front();
    const point_s &first = points_.front();
    const qint64 span = elapsed_ms - first.ms;
    rate_ = span > 0 ? static_cast<double>(done_ - first.done) * 1000.0 / static_cast<double>(span) : 0.0;
    if (rate_ > 0.0) {
        predicted_end_.push_back(static_cast<double>(elapsed_ms) +
                                 static_cast<double>(total_ - done_) * 1000.0 / rate_);
        if (predicted_end_.size() > k_stable_samples)
            predicted_end_.pop_front();
    } else {
        predicted_end_.clear();
    }
}

bool progress_estimate_c::stable() const
{
    if (done_ >= total_ && total_ > 0)
        return true;
    if (elapsed_ms_ < k_stable_after_ms || predicted_end_.size() < k_stable_samples)
        return false;
    const auto [low, high] = std::minmax_element(predicted_end_.begin(), predicted_end_.end());
    return *high - *low <= k_stable_spread * *high;
}

qint64 progress_estimate_c::seconds_left() const
{
    if (total_ > 0 && done_ >= total_)
        return 0;
    if (rate_ <= 0.0)
        return -1;
    return static_cast<qint64>(static_cast<double>(total_ - done_) / rate_ + 0.5);
}

QString format_duration(qint64 seconds)
{
    const qint64 s = std::max<qint64>(seconds, 0);
    const QChar zero(QLatin1Char('0'));
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, zero).arg(s % 60, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, zero);
}
