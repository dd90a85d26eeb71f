#include "window/skin/edge_resize_filter.h"

#include <QMouseEvent>
#include <algorithm>

#include "window/skin/skin_frame.h"

edge_resize_filter_c::edge_resize_filter_c(skin_frame_c *window) : QObject(window), frame(window)
{
    window->setMouseTracking(true);
    window->installEventFilter(this);
}

Qt::Edges edge_resize_filter_c::edges_at(const QPoint &point, const QSize &size)
{
    Qt::Edges edges;
    if (point.x() < k_edge_band)
        edges |= Qt::LeftEdge;
    if (point.x() >= size.width() - k_edge_band)
        edges |= Qt::RightEdge;
    if (point.y() < k_edge_band)
        edges |= Qt::TopEdge;
    if (point.y() >= size.height() - k_edge_band)
        edges |= Qt::BottomEdge;
    return edges;
}

QRect edge_resize_filter_c::resized_geometry(const QRect &start, Qt::Edges edges, const QPoint &delta, const QSize &min,
                                             const QSize &max)
{
    QRect result = start;
    if (edges & Qt::LeftEdge) {
        const int width = std::clamp(start.width() - delta.x(), min.width(), max.width());
        result.setLeft(start.right() + 1 - width);
    } else if (edges & Qt::RightEdge) {
        result.setWidth(std::clamp(start.width() + delta.x(), min.width(), max.width()));
    }
    if (edges & Qt::TopEdge) {
        const int height = std::clamp(start.height() - delta.y(), min.height(), max.height());
        result.setTop(start.bottom() + 1 - height);
    } else if (edges & Qt::BottomEdge) {
        result.setHeight(std::clamp(start.height() + delta.y(), min.height(), max.height()));
    }
    return result;
}

void edge_resize_filter_c::show_cursor(Qt::Edges edges)
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        shape = Qt::SizeFDiagCursor;
    else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        shape = Qt::SizeBDiagCursor;
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        shape = Qt::SizeHorCursor;
    else if (edges & (Qt::TopEdge | Qt::BottomEdge))
        shape = Qt::SizeVerCursor;

    if (shape != Qt::ArrowCursor) {
        frame->setCursor(shape);
        cursor_set = true;
    } else if (cursor_set) {
        frame->unsetCursor();
        cursor_set = false;
    }
}

bool edge_resize_filter_c::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != frame)
        return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
        frame->update();
        return false;
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint point = mouse->position().toPoint();
        const Qt::Edges edges = edges_at(point, frame->size());
        if (mouse->button() != Qt::LeftButton || !edges || frame->button_at(point) || frame->isMaximized())
            return false;
        dragging = edges;
        press_global = mouse->globalPosition().toPoint();
        press_geometry = frame->geometry();
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (dragging) {
            frame->setGeometry(resized_geometry(press_geometry, dragging,
                                                mouse->globalPosition().toPoint() - press_global, frame->minimumSize(),
                                                frame->maximumSize()));
            return true;
        }
        const QPoint point = mouse->position().toPoint();
        if (!(mouse->buttons() & Qt::LeftButton))
            show_cursor(frame->button_at(point) ? Qt::Edges() : edges_at(point, frame->size()));
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (!dragging)
            return false;
        dragging = Qt::Edges();
        return true;
    default:
        return false;
    }
}
