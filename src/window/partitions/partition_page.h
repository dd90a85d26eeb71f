// The partition page: searches the chosen drive for lost partitions on the
// search thread, lists them as they are found, and rewrites the drive's
// partition table from them after the user confirms.
#pragma once

#include <QTimer>
#include <QWidget>

#include "window/forms/partition_form.h"
#include "core/partitions/partition_repair.h"
#include "window/skin/progress_bar.h"

class partition_delegate_c;
class QAbstractItemModel;

class partition_window_c : public QWidget, public Ui::PartitionForm {
    Q_OBJECT
public:
    explicit partition_window_c(QWidget *parent);
    ~partition_window_c() override;

    // Starts the search on that drive, after ending one still running.
    void start_search(const drive_item_s &drive);
    // Leaving the page ends a running search; the rows found stay.
    void stop_on_leave();

    const partition_repair_c &search() const { return search_thread; }
    double shown_progress() const { return progress.value(); }

public slots:
    void on_partition_found();
    void on_thread_finished();
    void on_timer();
    void on_stop_clicked();
    void on_repair_clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void show_found_rows();

    partition_repair_c search_thread;
    progress_bar_c progress;
    QTimer timer;
    partition_delegate_c *delegate;
    QAbstractItemModel *model = nullptr;
};
