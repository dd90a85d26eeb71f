#include "row_painting.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

#include "window/skin/cell_text.h"

QSize row_delegate_c::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), k_row_height);
}

void paint_row_background(QPainter &painter, const QStyleOptionViewItem &option, int row)
{
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter.fillRect(option.rect, k_row_selected);
    else if (row % 2 == 0)
        painter.fillRect(option.rect, k_row_stripe);
    painter.setPen(selected ? Qt::white : Qt::black);
}

QRect row_place(const QStyleOptionViewItem &option, const QRect &place)
{
    return QStyle::visualRect(option.direction, option.rect, place.translated(option.rect.left(), option.rect.top()));
}

void paint_column_lines(QPainter &painter, const QStyleOptionViewItem &option, std::initializer_list<int> lines)
{
    painter.save();
    painter.setPen(k_column_line);
    for (int at : lines) {
        const QRect line = row_place(option, QRect(at, 0, 1, option.rect.height()));
        painter.drawLine(line.left(), line.top(), line.left(), line.bottom());
    }
    painter.restore();
}

void paint_title_row(QPainter &painter, const QStyleOptionViewItem &option, std::initializer_list<int> lines)
{
    painter.fillRect(option.rect, k_title_fill);
    paint_column_lines(painter, option, lines);
    painter.setPen(Qt::black);
}

void paint_row_text(QPainter &painter, const QStyleOptionViewItem &option, int left, int right, const QString &text)
{
    const QRect cell = row_place(option, QRect(left, 0, std::max(0, right - left), option.rect.height()));
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideMiddle, cell.width());
    painter.save();
    draw_cell_text(&painter, cell, 0, option.direction, shown);
    painter.restore();
}
