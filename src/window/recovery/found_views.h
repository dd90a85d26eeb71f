// The scan session's results as the page shows them: the folder tree, the
// file table of the folder chosen there (or of a search over all of them)
// and the filter bar above it. One source model holds every row; a proxy
// narrows and sorts it, so ticks, which are the session's, stay put.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include "records/found_row.h"
#include "records/row_filter.h"

class MyHeaderView;
class QTableView;
class QTreeView;
class QWidget;
class TreeModel;
class recovery_model_c;
class row_filter_bar_c;
class row_view_proxy_c;
class scan_session_c;

class found_views_c : public QObject {
    Q_OBJECT
public:
    // The table and the filter bar are made on page; tree is the page's.
    found_views_c(scan_session_c &session, QTreeView *tree, QWidget *page);
    ~found_views_c() override;

    // The session's finished tree, its root folder open, the filter bar
    // reset; false when it holds no folder below "/" (shown as empty).
    bool show_tree();

    QTableView *table() const { return table_; }
    MyHeaderView *header() const { return header_; }
    row_filter_bar_c *filter_bar() const { return filter_bar_; }
    // The rows shown, in the order shown, with their folders.
    QList<found_row_s> shown_rows() const;
    bool is_shown_row_chosen(int row) const;
    // Shows nothing; the views let go of the session's rows, as they must
    // before those are replaced.
    void clear();

signals:
    // The current row moved (by mouse or keyboard) to this row.
    void current_row_changed(const found_row_s &row);
    // Other rows are shown (another folder, filter, search or order).
    void rows_replaced();
    // Rows were chosen or left.
    void chosen_changed();

private:
    void on_tree_clicked(const QModelIndex &index);
    void on_table_clicked(const QModelIndex &index);
    void on_current_changed(const QModelIndex &current);
    void on_filter_changed();
    void on_check_all(bool chosen);
    void on_sort_column(int column);
    // The folder's rows, or the search's, through the filter.
    void show_rows();
    void after_rows_replaced();
    // The check-all box follows the rows shown: counted once when other
    // rows are shown or a folder's tick changed many, kept up by each tick
    // in the table, never on a repaint.
    void count_shown_chosen();
    void show_check_state();
    void set_column_widths();

    scan_session_c &session_;
    QTreeView *tree_;
    QTableView *table_;
    MyHeaderView *header_;
    row_filter_bar_c *filter_bar_;
    TreeModel *tree_model_ = nullptr;
    recovery_model_c *rows_model_ = nullptr;
    row_view_proxy_c *proxy_;
    row_filter_c filter_;
    qsizetype folder_first_ = 0; // the rows of the folder chosen in the tree
    qsizetype folder_end_ = 0;
    int shown_chosen_ = 0; // rows shown that are chosen
};
