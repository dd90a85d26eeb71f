// The partition page: searches the chosen drive for lost partitions on the
// search thread, lists them as they are found, shows once the search ends
// the table a repair would write (each find primary or logical in it) beside
// the one on the disk, and rewrites the drive's partition table from them
// after the user confirms (planned and written on the repair job's worker,
// its buttons disabled meanwhile).
#pragma once

#include <QTimer>
#include <QWidget>

#include "window/forms/partition_form.h"
#include "core/partitions/partition_repair.h"
#include "core/partitions/table_repair_job.h"
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
    // The captions, again after the language changed.
    void retranslate();

    const partition_repair_c &search() const { return search_thread; }
    const table_repair_job_c &repair() const { return repair_job; }
    double shown_progress() const { return progress.value(); }

public slots:
    void on_partition_found();
    void on_thread_finished();
    void on_timer();
    void on_stop_clicked();
    void on_repair_clicked();
    void on_repair_planned(bool ready, const QString &error);
    void on_repair_applied(bool written, const QString &backup_path, const QString &error);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    void place_widgets();
    void show_found_rows();
    void enable_buttons(bool enabled);
    void refuse_repair(const QString &error);
    void show_plan();
    void confirm_repair();

    partition_repair_c search_thread;
    table_repair_job_c repair_job;
    progress_bar_c progress;
    QTimer timer;
    partition_delegate_c *delegate;
    QAbstractItemModel *model = nullptr;
    // The user asked for the repair: the plan on its way is to be confirmed,
    // not only shown.
    bool confirm_next_plan = false;
};
