// The scan on the recovery page: Start, Pause and Stop, the progress bar and
// the animation, what happens when a scan ends (the questions that follow),
// and the status lines painted above the views: what was read and found,
// how long it has run, how fast and how long it has left.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

#include "core/session/progress_estimate.h"
#include "records/volume_item.h"
#include "window/skin/progress_bar.h"

class QLabel;
class QMovie;
class QPainter;
class QPushButton;
class QRect;
class QWidget;
class scan_session_c;

// "Elapsed 1:02, 3.4 MB/s, 5:06 left" (or "estimating…" until it settles).
QString progress_line(const progress_estimate_c &estimate);

class scan_control_c : public QObject {
    Q_OBJECT
public:
    struct controls_s {
        QPushButton *pause;
        QPushButton *stop;
        QPushButton *save; // a deep scan's result
        QLabel *animation;
    };
    // busy: whether a restore or a save still reads the session's engine
    // (a new scan is refused then, with a box).
    scan_control_c(scan_session_c &session, QWidget *page, const controls_s &controls,
                   std::function<bool()> refuse_while_busy);

    // A scan of the volume from the beginning; -1 when none was started.
    int scan(const volume_item_s &volume, bool deep);
    // The page is left: a running scan's results are not wanted.
    void abandon();
    // Pause, Resume or Start, as the scan stands, in the current language.
    void set_texts();
    // Whether the running scan was abandoned and is still ending.
    bool abandoned() const { return abandoned_; }
    // A scan file was read back: no scan runs and nothing was scanned.
    void show_loaded();
    // The status lines and the progress bar; visual mirrors a place given
    // left to right.
    void paint(QPainter &painter, const std::function<QRect(const QRect &)> &visual, int width) const;

signals:
    // Before a scan replaces the engine that a preview may read.
    void about_to_start();
    // A scan ended and its results are wanted: before any question.
    void results_ready();

private:
    int start(const volume_item_s &volume, bool deep);
    void prepare_buttons();
    void on_timer();
    void on_finished();
    void on_pause_clicked();
    void on_stop_clicked();
    int ask(const char *key, int buttons, const QString &detail = QString());

    scan_session_c &session_;
    QWidget *page_;
    controls_s controls_;
    std::function<bool()> refuse_while_busy_;
    bool abandoned_ = false; // the running scan's results are not wanted
    bool loaded_ = false;    // what is shown was read from a scan file
    progress_bar_c progress_bar_;
    progress_estimate_c estimate_;
    QElapsedTimer clock_;
    QTimer timer_;
    QMovie *movie_;
};
