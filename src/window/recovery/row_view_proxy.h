// What the file table shows of the session's rows: the files of one folder,
// or with a search typed the matching files of every folder, narrowed by
// the filter bar and sorted by a column. The rows stay in the source model;
// a change of folder, filter, search or order only remaps them.
#pragma once

#include <QRegularExpression>
#include <QSortFilterProxyModel>

#include "records/row_filter.h"
#include "recovery_model.h"

class row_view_proxy_c : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit row_view_proxy_c(QObject *parent = nullptr);

    // The source model's rows [first, end) (a folder's files), or with a
    // search typed the rows of every folder whose name matches it; those
    // the filter lets through.
    void show(qsizetype first, qsizetype end, const QString &search, const row_filter_c &filter);
    // First press on a column sorts ascending, the next descending; each
    // column keeps its own direction. The source model sorts, the proxy
    // keeps its order.
    void sort_by_column(int column);

    recovery_model_c *rows_model() const { return static_cast<recovery_model_c *>(sourceModel()); }
    // The row of the source model behind a row shown.
    int source_row(int row) const { return mapToSource(index(row, 0)).row(); }

    // A row's folder is named only while a search lists rows of many.
    QVariant data(const QModelIndex &index, int role) const override;

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex &source_parent) const override;

private:
    qsizetype first_ = 0;
    qsizetype end_ = 0;
    bool searching_ = false;
    QRegularExpression search_;
    row_filter_c filter_;
    quint8 ascending_[recovery_model_c::column_count] = {};
};
