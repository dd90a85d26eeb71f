#include "window/skin/skin_frame.h"

#include <QMouseEvent>
#include <QPainter>

skin_frame_c::skin_frame_c(const skin_images_s &frame_images, QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint), images(frame_images)
{
    setLayered();
    setWindowTitle(QStringLiteral("Tarn Restorix"));
    frame = QPixmap(size());
    // Pages paint only on request; the timer keeps what they show current.
    connect(&refresh_timer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    refresh_timer.start(k_refresh_ms);
    setMouseTracking(true);
    setContentsMargins(images.margins());
}

void skin_frame_c::updateStyle()
{
    frame = draw_skin_frame(images, size(), logo(), windowTitle(), palette().color(QPalette::Window),
                            layoutDirection());
    restyle = false;
}

void skin_frame_c::setLayered()
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void skin_frame_c::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (!in_band(point)) {
        may_move = false;
        return;
    }
    if (press_buttons(point, may_move))
        update();
    drag_offset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void skin_frame_c::mouseReleaseEvent(QMouseEvent *event)
{
    may_move = false;
    if (release_buttons(event->position().toPoint()))
        event->accept();
}

void skin_frame_c::mouseMoveEvent(QMouseEvent *event)
{
    if (may_move && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - drag_offset);
        return;
    }
    if (move_buttons(event->position().toPoint()))
        update();
}

void skin_frame_c::paintEvent(QPaintEvent *)
{
    if (restyle)
        updateStyle();
    QPainter painter(this);
    painter.drawPixmap(0, 0, frame);
    paint_buttons(painter);
}

void skin_frame_c::resizeEvent(QResizeEvent *event)
{
    restyle = true;
    QWidget::resizeEvent(event);
}

void skin_frame_c::closeEvent(QCloseEvent *event)
{
    emit aboutToClose();
    QWidget::closeEvent(event);
}
