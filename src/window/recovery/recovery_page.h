// The recovery page (page 4), a view over the application's scan session:
// composes the scan control (a scan of the chosen volume and its progress),
// the found folders
// and their files (filtered by the bar above them, or searched across
// every folder), previews a clicked file or shows its first bytes in hex,
// keeps count of the files chosen in every folder and restores them.
#pragma once

#include <QWidget>
#include <functional>

#include "file_preview.h"
#include "records/found_row.h"
#include "records/volume_item.h"
#include "core/session/scan_session.h"
#include "restore_step.h"
#include "ui_recovery_form.h"

class MyHeaderView;
class QLabel;
class QPlainTextEdit;
class QTabBar;
class QTableView;
class found_views_c;
class preview_pane_c;
class row_filter_bar_c;
class scan_control_c;
class state_legend_c;
class device_worker_c;

class recovery_window_c : public QWidget, public Ui::RecoveryForm {
    Q_OBJECT
public:
    // session belongs to the main window and outlives the page.
    explicit recovery_window_c(scan_session_c &session, QWidget *parent = nullptr);
    ~recovery_window_c() override;

    // 0 when the scan started; -1 when a scan, a restore or a save still
    // runs or no engine takes the volume.
    int scan_volume(const volume_item_s &row, bool deep);
    // Asks for a scan file and shows it; 0 loaded, -1 nothing loaded (a
    // refused file is named with the reason, the page stays as it was).
    int resume_from_file();
    // The page is left: a running scan is abandoned, the views emptied.
    void leave_page();
    // The captions, again after the language changed.
    void retranslate();

    // What the page asks of the desktop; tests answer here.
    std::function<restore_destination_s(QWidget *)> choose_destination;
    std::function<QString(QWidget *)> choose_scan_file;
    std::function<QString(QWidget *)> choose_save_file;
    std::function<void(const QString &)> open_folder;

    QTableView *table() const;
    MyHeaderView *table_header() const;
    // The rows shown, in the order shown, and the folder of each.
    QList<recovery_item_s> table_rows() const;
    QStringList table_row_folders() const;
    bool is_row_chosen(int row) const;
    // "N files, X chosen": the session's choice over every folder.
    QLabel *chosen_label() const { return chosen_label_; }
    // What the marks of the state column mean.
    state_legend_c *legend() const { return legend_; }
    row_filter_bar_c *filter_bar() const;
    // Tab 0 the preview, tab 1 the hex view.
    QTabBar *preview_tabs() const;
    QPlainTextEdit *hex_view() const;
    const scan_session_c &session() const { return session_; }
    bool restore_running() const;
    bool saving() const;
    // The preview shown, empty when none; whether one is still loading.
    const file_preview_s &shown_preview() const;
    bool preview_loading() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void on_results_ready();
    void on_current_row(const found_row_s &row);
    void on_recovery_clicked();
    void on_save_result_clicked();
    void on_saved(bool saved);
    void show_chosen_count();
    // A restore or a save reads the session's engine until it ends.
    bool refuse_while_busy();
    // A place given left to right, mirrored on a right-to-left page.
    QRect visual(const QRect &where) const;
    // The standard warning box; "%1" in the key's text becomes detail.
    int ask(const char *key, int buttons, const QString &detail = QString());

    scan_session_c &session_;
    scan_control_c *scan_;
    found_views_c *views_;
    preview_pane_c *preview_;
    restore_step_c *restore_;
    // Writes a scan file off this thread, so the page answers meanwhile.
    device_worker_c *saver_;
    QLabel *chosen_label_;
    state_legend_c *legend_;
};
