// "Image this disk": copies the disk chosen on the drive page once,
// carefully, into an image file, showing a block map of the disk and the
// run's numbers. The work is the core's imaging job; this window starts it,
// polls it on a timer and, once it has finished, hands the image on to be
// added to the lists as a disk of its own.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "core/imaging/imaging_job.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class block_map_view_c;

class imaging_window_c : public QDialog {
    Q_OBJECT
public:
    imaging_window_c(QWidget *parent, const QString &source, quint64 source_bytes);
    ~imaging_window_c() override;

    // Asks where the image goes; tests and the screenshot tool answer here.
    std::function<QString(QWidget *)> choose_destination;
    // Shows a run's state as the timer does (the screenshot tool draws
    // states with it).
    void show_state(const rescue_map_c &map, const imaging_progress_s &progress, bool running);

    QLineEdit *le_destination;
    QPushButton *btn_choose;
    QPushButton *btn_start;
    QPushButton *btn_stop;
    QPushButton *btn_close;
    block_map_view_c *block_map;
    QLabel *lbl_numbers;

signals:
    // The image of a finished run, to be added to the lists.
    void image_ready(const QString &path);

protected:
    void reject() override;

private:
    void on_start();
    void on_poll();

    QString source_;
    quint64 source_bytes_;
    std::unique_ptr<imaging_job_c> job_;
    QTimer *poll_;
};
