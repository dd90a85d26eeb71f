#include "window/skin/cell_text.h"

#include <QPainter>

void draw_cell_text(QPainter *painter, const QRect &cell, int margin, Qt::LayoutDirection page, const QString &text)
{
    const bool mirrored = page == Qt::RightToLeft;
    painter->setLayoutDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    painter->drawText(mirrored ? cell.adjusted(0, 0, -margin, 0) : cell.adjusted(margin, 0, 0, 0),
                      Qt::AlignVCenter | Qt::AlignAbsolute | (mirrored ? Qt::AlignRight : Qt::AlignLeft), text);
}
