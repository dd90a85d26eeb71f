#include "row_view_proxy.h"

row_view_proxy_c::row_view_proxy_c(QObject *parent) : QSortFilterProxyModel(parent)
{
    // Checks never hide rows; a change of folder, filter or search maps
    // every row afresh, far quicker than inserting thousands of rows one
    // gap at a time.
    setDynamicSortFilter(false);
}

void row_view_proxy_c::show(qsizetype first, qsizetype end, const QString &search, const row_filter_c &filter)
{
    first_ = first;
    end_ = end;
    searching_ = !search.trimmed().isEmpty();
    search_ = QRegularExpression(QRegularExpression::wildcardToRegularExpression(name_search_glob(search)),
                                 QRegularExpression::CaseInsensitiveOption);
    filter_ = filter;
    invalidate();
}

void row_view_proxy_c::sort_by_column(int column)
{
    if (column <= recovery_model_c::column_check || column >= recovery_model_c::column_count)
        return;
    ascending_[column] = !ascending_[column];
    rows_model()->sort(column, ascending_[column] ? Qt::AscendingOrder : Qt::DescendingOrder);
}

QVariant row_view_proxy_c::data(const QModelIndex &index, int role) const
{
    if ((role == recovery_model_c::folder_role ||
         (role == Qt::ToolTipRole && index.column() == recovery_model_c::column_name)) &&
        !searching_)
        return QVariant();
    return QSortFilterProxyModel::data(index, role);
}

bool row_view_proxy_c::filterAcceptsRow(int source_row, const QModelIndex &) const
{
    const recovery_item_s &row = rows_model()->row_at(source_row).row;
    if (searching_) {
        if (!search_.match(row.name).hasMatch())
            return false;
    } else if (const int number = rows_model()->number(source_row); number < first_ || number >= end_) {
        return false;
    }
    return filter_.matches(row);
}
