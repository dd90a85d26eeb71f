#include "row_painting.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

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

void paint_column_lines(QPainter &painter, const QRect &r, std::initializer_list<double> lines)
{
    painter.save();
    painter.setPen(k_column_line);
    for (double at : lines) {
        const int x = r.left() + int(at * r.width());
        painter.drawLine(x, r.top(), x, r.bottom());
    }
    painter.restore();
}

void paint_title_row(QPainter &painter, const QRect &r, std::initializer_list<double> lines)
{
    painter.fillRect(r, k_title_fill);
    paint_column_lines(painter, r, lines);
    painter.setPen(Qt::black);
}

void paint_row_text(QPainter &painter, const QRect &r, int x, const QString &text)
{
    painter.drawText(r.left() + x, r.top() + 20, text);
}
