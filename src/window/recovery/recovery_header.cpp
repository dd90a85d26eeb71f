#include "recovery_header.h"

#include <QMouseEvent>
#include <QPainter>

#include "recovery_delegate.h"
#include "recovery_model.h"
#include "window/skin/cell_text.h"
#include "window/text/translation.h"

MyHeaderView::MyHeaderView(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent), unchecked_(QStringLiteral(":/images/partition_search/check1.png")),
      checked_(QStringLiteral(":/images/partition_search/check2.png"))
{}

void MyHeaderView::set_check_state(Qt::CheckState state)
{
    if (state == check_all_)
        return;
    check_all_ = state;
    viewport()->update();
}

QSize MyHeaderView::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.setHeight(24);
    return size;
}

void MyHeaderView::mousePressEvent(QMouseEvent *event)
{
    // Sections in visual order from the left edge; a press on a boundary
    // between two titles asks for nothing.
    const int x = static_cast<int>(event->position().x()) + offset();
    const int section = logicalIndexAt(static_cast<int>(event->position().x()));
    if (section == recovery_model_c::column_check) {
        // The views answer with the state the rows shown are in now.
        emit check_all(check_all_ != Qt::Checked);
    } else if (section > 0 && x > sectionPosition(section) && x < sectionPosition(section) + sectionSize(section)) {
        emit sort_column(section);
    }
    viewport()->update();
    QHeaderView::mousePressEvent(event);
}

void MyHeaderView::paintSection(QPainter *painter, const QRect &rect, int logical_index) const
{
    painter->save();
    painter->fillRect(rect, QColor(232, 246, 255));
    painter->setPen(QPen(QColor(211, 231, 255), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->drawLine(rect.x() - 1, rect.y(), rect.x() - 1, rect.y() + rect.height());
    painter->drawLine(rect.x(), rect.y() + rect.height() - 1, rect.x() + rect.width(), rect.y() + rect.height() - 1);
    painter->setFont(QFont(QStringLiteral("Arial"), 8));
    painter->setPen(Qt::black);
    const QString title = model() ? model()->headerData(logical_index, Qt::Horizontal).toString() : QString();
    switch (logical_index) {
    case recovery_model_c::column_check: {
        const QPixmap &mark = check_all_ == Qt::Checked ? checked_ : unchecked_;
        const QRect place(rect.x() + 10, rect.y() + 5, mark.width(), mark.width());
        painter->drawPixmap(place, mark);
        // Some of the rows shown: a square inside the empty box.
        if (check_all_ == Qt::PartiallyChecked)
            painter->fillRect(place.adjusted(place.width() / 4, place.height() / 4, -place.width() / 4,
                                             -place.height() / 4),
                              QColor(81, 149, 206));
        break;
    }
    case recovery_model_c::column_name:
    case recovery_model_c::column_size:
        draw_cell_text(painter, rect, 15, layoutDirection(), title);
        break;
    default:
        draw_cell_text(painter, rect, 10, layoutDirection(), title);
        break;
    }
    painter->restore();
}
