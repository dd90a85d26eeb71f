// The recovery page (page 4): runs a scan of the chosen volume through the
// scan session, shows its progress, the found folders and their files
// (filtered by the bar above them, or searched across every folder),
// previews a clicked file or shows its first bytes in hex, and restores
// the checked ones into a folder.
#pragma once

#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "records/volume_item.h"
#include "file_preview.h"
#include "records/found_folder.h"
#include "records/recovery_item.h"
#include "records/row_filter.h"
#include "core/session/scan_session.h"
#include "window/skin/progress_bar.h"
#include "ui_recovery_form.h"

class MyHeaderView;
class MyQTableView;
class QMovie;
class QPlainTextEdit;
class QTabBar;
class TreeModel;
class recovery_file_c;
class recovery_model_c;
class row_filter_bar_c;

// Set while a scan started by this page runs, until its end has reached
// the page; the main window asks before leaving or closing while it is set.
extern bool scan_running;

class recovery_window_c : public QWidget, public Ui::RecoveryForm {
    Q_OBJECT
public:
    explicit recovery_window_c(QWidget *parent = nullptr);
    ~recovery_window_c() override;

    // 0 when the scan started; -1 when a scan or a restore still runs or no
    // engine takes the volume (neither "NTFS" nor "FAT..." without deep).
    int scan_volume(const volume_item_s &row, bool deep);
    // Scans the same volume again in the same way; 0 started, -1 not.
    int restart_scan();
    // Asks for a scan file and shows it; 0 loaded, -1 nothing loaded (a
    // refused file is named with the reason, the page stays as it was).
    int resume_from_file();
    // The page is left: a running scan is abandoned, the views emptied.
    void leave_page();

    // What the page asks of the desktop; tests answer here.
    std::function<QString(QWidget *)> choose_destination;
    std::function<QString(QWidget *)> choose_scan_file;
    std::function<QString(QWidget *)> choose_save_file;
    std::function<void(const QString &)> open_folder;

    MyQTableView *table() const { return table_view; }
    MyHeaderView *table_header() const { return header; }
    const QList<recovery_item_s> &table_rows() const { return rows; }
    // The folder of each row while a search lists rows of every folder.
    const QStringList &table_row_folders() const { return row_folders; }
    row_filter_bar_c *filter_bar() const { return filter_bar_; }
    // Tab 0 the preview, tab 1 the hex view.
    QTabBar *preview_tabs() const { return preview_tabs_; }
    QPlainTextEdit *hex_view() const { return hex_view_; }
    const scan_session_c &session() const { return session_; }
    bool restore_running() const;
    // The preview shown, empty when none.
    const file_preview_s &shown_preview() const { return preview; }

public slots:
    void on_timer();
    void on_thread_finished();
    void on_tree_clicked(const QModelIndex &index);
    void on_list_clicked(const QModelIndex &index);
    void on_recovery_clicked();
    void on_stop_clicked();
    void on_pause_clicked();
    void on_save_result_clicked();
    void on_check_all(bool value);
    void on_sort_column(int column);
    void on_writer_finished();
    void on_restore_progressed(int done, int total);
    void on_filter_changed();
    void on_preview_tab_changed(int tab);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void clear_tree();
    void clear_table();
    // The shown folder's rows that pass the filter, or with a search typed
    // the passing rows of every folder.
    void show_rows();
    void fill_hex_view();
    void set_table_model();
    void prepare_buttons();
    void show_tree();
    bool refuse_while_restoring();
    int start_scan();
    void show_preview(const recovery_item_s &row);
    void paint_preview(QPainter &painter, int band);
    // A place given left to right, mirrored on a right-to-left page.
    QRect visual(const QRect &where) const;
    void draw_line(QPainter &painter, const QRect &where, const QString &text) const;
    // The standard warning box; "%1" in the key's text becomes detail.
    int ask(const char *key, int buttons, const QString &detail = QString());

    scan_session_c session_;
    int deep_scan = 0;
    volume_item_s volume;
    bool abandoned = false; // the running scan's results are not wanted
    // The tree shown; its items point into this copy of the session's tree.
    found_folder_s shown_tree;
    MyQTableView *table_view = nullptr;
    TreeModel *tree_model = nullptr;
    recovery_model_c *table_model = nullptr;
    QList<recovery_item_s> rows;
    QStringList row_folders; // empty unless a search shows rows
    const found_folder_s *shown_folder = nullptr; // in shown_tree
    row_filter_c filter;
    row_filter_bar_c *filter_bar_ = nullptr;
    QTabBar *preview_tabs_ = nullptr;
    QPlainTextEdit *hex_view_ = nullptr;
    recovery_item_s preview_row;
    file_preview_s preview;
    progress_bar_c progress_bar;
    QTimer timer;
    MyHeaderView *header = nullptr;
    QMovie *movie = nullptr;
    recovery_file_c *writer = nullptr;
    int restore_done = 0;
    int restore_total = 0;
};
