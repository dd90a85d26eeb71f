// Elapsed time, rate and time left of a long operation (a scan, a restore),
// from how much of it is done at moments its caller samples. No widgets and
// no clock of its own: the caller hands in the time, so the command line, the
// window and the tests read the same numbers.
#pragma once

#include <QString>
#include <QtGlobal>
#include <deque>

class progress_estimate_c {
public:
    // Forgets every sample: the operation starts at elapsed 0.
    void restart();
    // done of total units (bytes) after elapsed_ms since the start.
    void sample(quint64 done, quint64 total, qint64 elapsed_ms);

    qint64 elapsed_ms() const { return elapsed_ms_; }
    // Units per second over the recent samples; 0 until two samples apart.
    double rate() const { return rate_; }
    // Whether the time left can be believed: the predicted end has stayed
    // within a few percent over the last samples, a few seconds in.
    bool stable() const;
    // Seconds left at the recent rate; -1 when unknown.
    qint64 seconds_left() const;

private:
    struct point_s {
        qint64 ms;
        quint64 done;
    };
    std::deque<point_s> points_;       // the recent samples, for the rate
    std::deque<double> predicted_end_; // ms since start, one per sample
    quint64 done_ = 0;
    quint64 total_ = 0;
    qint64 elapsed_ms_ = 0;
    double rate_ = 0.0;
};

// "1:02:03" or "2:03": a duration for people.
QString format_duration(qint64 seconds);
