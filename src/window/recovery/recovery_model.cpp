#include "recovery_model.h"

#include <QCollator>
#include <algorithm>
#include <numeric>
#include <vector>

#include "window/text/translation.h"

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
    if (!index.isValid() || index.row() >= rows_->size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return QVariant::fromValue(rows_->at(index.row()));
    const bool has_folder = folders_ && index.row() < folders_->size();
    if (role == folder_role && has_folder)
        return folders_->at(index.row());
    if (role != Qt::ToolTipRole)
        return QVariant();
    if (index.column() == column_state)
        return recovery_state_text(rows_->at(index.row()).state);
    if (index.column() == column_size && rows_->at(index.row()).size_capped)
        return lookup_text("size_cut");
    if (index.column() == column_name && has_folder)
        return folders_->at(index.row());
    return QVariant();
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
    case column_state:
        return lookup_text("recovery_state");
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
    const std::vector<int> order = row_order(*rows_, column, ascending_[column] != 0);
    QList<recovery_item_s> sorted;
    sorted.reserve(rows_->size());
    for (int i : order)
        sorted.append(std::move((*rows_)[i]));
    *rows_ = std::move(sorted);
    if (folders_ && folders_->size() == qsizetype(order.size())) {
        QStringList folders;
        folders.reserve(folders_->size());
        for (int i : order)
            folders.append(folders_->at(i));
        *folders_ = std::move(folders);
    }
    emit dataChanged(index(0, 0), index(static_cast<int>(rows_->size()) - 1, column_count - 1));
}

namespace {

// Best first: what restores whole, then what may, then what cannot.
int state_rank(recovery_state_e state)
{
    switch (state) {
    case recovery_state_e::intact:
        return 0;
    case recovery_state_e::joined:
        return 1;
    case recovery_state_e::uncertain_end:
        return 2;
    case recovery_state_e::partly_overwritten:
        return 3;
    case recovery_state_e::overwritten:
        return 4;
    case recovery_state_e::no_data:
        return 5;
    }
    return 5;
}

// Sort keys are made once per row: comparing names through the collator
// would cost a locale comparison per step of the sort.
void order_by_name(const QList<recovery_item_s> &rows, bool ascending, std::vector<int> &order)
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
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[a].compare(keys[b]);
        if (c == 0)
            return rows.at(a).name < rows.at(b).name; // names equal but for case: a fixed order
        return ascending ? c < 0 : c > 0;
    });
}

template <typename Key>
void order_by_key(const QList<recovery_item_s> &rows, bool ascending, std::vector<int> &order, Key key)
{
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return ascending ? key(rows.at(a)) < key(rows.at(b)) : key(rows.at(b)) < key(rows.at(a));
    });
}

} // namespace

std::vector<int> row_order(const QList<recovery_item_s> &rows, int column, bool ascending)
{
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    switch (column) {
    case recovery_model_c::column_name:
        order_by_name(rows, ascending, order);
        break;
    case recovery_model_c::column_size:
        order_by_key(rows, ascending, order, [](const recovery_item_s &r) { return r.size; });
        break;
    case recovery_model_c::column_modified:
        order_by_key(rows, ascending, order, [](const recovery_item_s &r) { return r.date1; });
        break;
    case recovery_model_c::column_created:
        order_by_key(rows, ascending, order, [](const recovery_item_s &r) { return r.date2; });
        break;
    case recovery_model_c::column_state:
        order_by_key(rows, ascending, order, [](const recovery_item_s &r) { return state_rank(r.state); });
        break;
    default:
        break;
    }
    return order;
}

QString recovery_state_text(recovery_state_e state)
{
    switch (state) {
    case recovery_state_e::intact:
        return lookup_text("state_intact");
    case recovery_state_e::partly_overwritten:
        return lookup_text("state_partly_overwritten");
    case recovery_state_e::overwritten:
        return lookup_text("state_overwritten");
    case recovery_state_e::no_data:
        return lookup_text("state_no_data");
    case recovery_state_e::uncertain_end:
        return lookup_text("state_uncertain_end");
    case recovery_state_e::joined:
        return lookup_text("state_joined");
    }
    return QString();
}
