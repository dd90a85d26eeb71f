#include "recovery_delegate.h"

#include <QPainter>

#include "records/format_size.h"
#include "records/local_date.h"
#include "window/skin/cell_text.h"
#include "recovery_model.h"

namespace {

const QColor k_band(241, 250, 255);
const QColor k_selected(81, 149, 206);
// Deleted files stand out from those the file system still lists.
const QColor k_deleted_text(176, 48, 48);

} // namespace

// Traffic-light colours of what a find is worth; a joined find is neither
// good nor bad but put together, so it has a colour of its own.
QColor state_colour(recovery_state_e state)
{
    switch (state) {
    case recovery_state_e::intact:
        return QColor(46, 160, 67);
    case recovery_state_e::partly_overwritten:
    case recovery_state_e::uncertain_end:
        return QColor(230, 150, 20);
    case recovery_state_e::overwritten:
    case recovery_state_e::no_data:
        return QColor(205, 45, 45);
    case recovery_state_e::joined:
        return QColor(40, 110, 215);
    }
    return Qt::gray;
}

void paint_state_mark(QPainter *painter, const QRect &cell, recovery_state_e state)
{
    constexpr int diameter = 12;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::white, 1));
    painter->setBrush(state_colour(state));
    painter->drawEllipse(QRect(cell.center().x() - diameter / 2, cell.center().y() - diameter / 2, diameter, diameter));
}

QString row_cell_text(const recovery_item_s &row, int column)
{
    switch (column) {
    case recovery_model_c::column_name:
        return row.name;
    case recovery_model_c::column_size:
        return format_size(row.size);
    case recovery_model_c::column_modified:
        return format_row_date(row.date1);
    case recovery_model_c::column_created:
        return format_row_date(row.date2);
    default:
        return QString();
    }
}

recovery_delegate_c::recovery_delegate_c(QObject *parent)
    : QStyledItemDelegate(parent), unchecked_(QStringLiteral(":/images/partition_search/check1.png")),
      checked_(QStringLiteral(":/images/partition_search/check2.png"))
{}

void recovery_delegate_c::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QVariant value = index.data(Qt::DisplayRole);
    if (!value.canConvert<recovery_item_s>()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const recovery_item_s row = value.value<recovery_item_s>();
    const QRect &r = option.rect;
    painter->save();
    if (index.row() % 2 == 0)
        painter->fillRect(r, k_band);
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(r, k_selected);
    painter->setFont(QFont(QStringLiteral("Segoe UI Symbol"), 8));
    if (index.column() == recovery_model_c::column_check) {
        const QPixmap &mark = index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? checked_ : unchecked_;
        painter->drawPixmap(QRect(r.x() + 10, r.y() + 10, mark.width(), mark.width()), mark);
    } else if (index.column() == recovery_model_c::column_state) {
        paint_state_mark(painter, r, row.state);
    } else {
        const bool deleted_name = row.deleted && index.column() == recovery_model_c::column_name && !selected;
        painter->setPen(selected ? Qt::white : deleted_name ? k_deleted_text : Qt::black);
        QString text = row_cell_text(row, index.column());
        // A row found by a search says where it lies.
        const QString folder = index.data(recovery_model_c::folder_role).toString();
        if (index.column() == recovery_model_c::column_name && !folder.isEmpty())
            text += QStringLiteral("  \u2014  ") + folder;
        draw_cell_text(painter, r, 10, option.direction, text);
    }
    painter->restore();
}
