#include "recovery_model.h"

#include <QCollator>
#include <algorithm>
#include <numeric>
#include <vector>

#include "shell/translation.h"

recovery_model_c::recovery_model_c(QList<recovery_item_s> *rows, QObject *parent)
    : QAbstractTableModel(parent), rows_(rows)
{
    // Whatever asks the display role for text (accessibility, tests) gets
    // the row's name.
    static const bool registered =
        QMetaType::registerConverter<recovery_item_s, QString>([](const recovery_item_s &row) { return row.name; });
    (void)registered;
}

int recovery_model_c::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_->size());
}

int recovery_model_c::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : column_count;
}

QVariant recovery_model_c::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rows_->size())
        return QVariant();
    return QVariant::fromValue(rows_->at(index.row()));
}

QVariant recovery_model_c::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case column_check:
        return QStringLiteral("checkbox");
    case column_name:
        return lookup_text("recovery_name");
    case column_size:
        return lookup_text("drive_size");
    case column_modified:
        return lookup_text("recovery_date1");
    case column_created:
        return lookup_text("recovery_date2");
    default:
        return QVariant();
    }
}

void recovery_model_c::set_checked(int row, bool value)
{
    if (row < 0 || row >= rows_->size())
        return;
    (*rows_)[row].checked = value ? 1 : 0;
    emit dataChanged(index(row, column_check), index(row, column_check));
}

void recovery_model_c::sort_by_column(int column)
{
    if (column <= column_check || column >= column_count || rows_->isEmpty())
        return;
    ascending_[column] = !ascending_[column];
    sort_rows(*rows_, column, ascending_[column] != 0);
    emit dataChanged(index(0, 0), index(static_cast<int>(rows_->size()) - 1, column_count - 1));
}

namespace {

template <typename Less> void sort_in_direction(QList<recovery_item_s> &rows, bool ascending, Less less)
{
    if (ascending)
        std::sort(rows.begin(), rows.end(), less);
    else
        std::sort(rows.begin(), rows.end(),
                  [&](const recovery_item_s &a, const recovery_item_s &b) { return less(b, a); });
}

// Sort keys are made once per row: comparing names through the collator
// would cost a locale comparison per step of the sort.
void sort_by_name(QList<recovery_item_s> &rows, bool ascending)
{
    // The C locale collates by code point alone, without numbers.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const recovery_item_s &row : rows)
        keys.push_back(collator.sortKey(row.name));
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[a].compare(keys[b]);
        if (c == 0)
            return rows.at(a).name < rows.at(b).name; // names equal but for case: a fixed order
        return ascending ? c < 0 : c > 0;
    });
    QList<recovery_item_s> sorted;
    sorted.reserve(rows.size());
    for (int i : order)
        sorted.append(std::move(rows[i]));
    rows = std::move(sorted);
}

} // namespace

void sort_rows(QList<recovery_item_s> &rows, int column, bool ascending)
{
    switch (column) {
    case recovery_model_c::column_name:
        sort_by_name(rows, ascending);
        break;
    case recovery_model_c::column_size:
        sort_in_direction(rows, ascending,
                          [](const recovery_item_s &a, const recovery_item_s &b) { return a.size < b.size; });
        break;
    case recovery_model_c::column_modified:
        sort_in_direction(rows, ascending,
                          [](const recovery_item_s &a, const recovery_item_s &b) { return a.date1 < b.date1; });
        break;
    case recovery_model_c::column_created:
        sort_in_direction(rows, ascending,
                          [](const recovery_item_s &a, const recovery_item_s &b) { return a.date2 < b.date2; });
        break;
    default:
        break;
    }
}
