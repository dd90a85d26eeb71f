#include "recovery_model.h"

#include <QCollator>
#include <algorithm>
#include <numeric>
#include <vector>

#include "core/session/row_choice.h"
#include "window/text/translation.h"

recovery_model_c::recovery_model_c(const QList<found_row_s> *rows, row_choice_c *choice, QObject *parent)
    : QAbstractTableModel(parent), rows_(rows), choice_(choice), order_(static_cast<size_t>(rows->size()))
{
    std::iota(order_.begin(), order_.end(), 0);
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
    const found_row_s &found = row_at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QVariant::fromValue(found.row);
    case Qt::CheckStateRole:
        return choice_->is_chosen(number(index.row())) ? Qt::Checked : Qt::Unchecked;
    case folder_role:
        return found.folder_path();
    case Qt::ToolTipRole:
        if (index.column() == column_state)
            return recovery_state_text(found.row.state);
        if (index.column() == column_size && found.row.size_capped)
            return lookup_text("size_cut");
        if (index.column() == column_name)
            return found.folder_path();
        return QVariant();
    default:
        return QVariant();
    }
}

bool recovery_model_c::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || index.row() >= rows_->size())
        return false;
    set_chosen({index.row()}, value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

void recovery_model_c::set_chosen(const std::vector<int> &rows, bool chosen)
{
    if (rows.empty())
        return;
    int first = rows.front(), last = rows.front();
    for (int row : rows) {
        choice_->set_chosen(number(row), chosen);
        first = std::min(first, row);
        last = std::max(last, row);
    }
    emit dataChanged(index(first, column_check), index(last, column_check), {Qt::CheckStateRole});
    emit chosen_changed();
}

void recovery_model_c::choice_changed()
{
    if (!order_.empty())
        emit dataChanged(index(0, column_check), index(rowCount() - 1, column_check), {Qt::CheckStateRole});
}

void recovery_model_c::sort(int column, Qt::SortOrder order)
{
    if (column <= column_check || column >= column_count)
        return;
    const bool ascending = order == Qt::AscendingOrder;
    std::vector<int> &sorted = orders_.at(static_cast<size_t>(column)).at(ascending ? 0 : 1);
    if (sorted.size() != order_.size())
        sorted = row_order(*rows_, column, ascending);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> place(order_.size()); // number: new place
    for (size_t i = 0; i < sorted.size(); ++i)
        place[static_cast<size_t>(sorted[i])] = static_cast<int>(i);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(index(place[static_cast<size_t>(number(old.row()))], old.column()));
    changePersistentIndexList(before, after);
    order_ = sorted;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
void order_by_name(const QList<found_row_s> &rows, bool ascending, std::vector<int> &order)
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
    for (const found_row_s &found : rows)
        keys.push_back(collator.sortKey(found.row.name));
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[a].compare(keys[b]);
        if (c == 0)
            return rows.at(a).row.name < rows.at(b).row.name; // names equal but for case: a fixed order
        return ascending ? c < 0 : c > 0;
    });
}

template <typename Key>
void order_by_key(const QList<found_row_s> &rows, bool ascending, std::vector<int> &order, Key key)
{
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return ascending ? key(rows.at(a).row) < key(rows.at(b).row) : key(rows.at(b).row) < key(rows.at(a).row);
    });
}

} // namespace

std::vector<int> row_order(const QList<found_row_s> &rows, int column, bool ascending)
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
