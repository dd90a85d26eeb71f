// What the main window frame and the dialog frame share: a frameless,
// translucent top-level window that paints its frame from images, drives its
// image buttons with the mouse, moves when its top band is dragged and
// repaints its pages every 400 ms.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include "window/skin/skin_images.h"

class skin_frame_c : public QWidget {
    Q_OBJECT
public:
    // Presses below the band never move the window.
    static constexpr int k_band_height = 100;
    static constexpr int k_refresh_ms = 400;

    skin_frame_c(const skin_images_s &images, QWidget *parent);

    const QPixmap &frame_pixmap() const { return frame; }
    bool restyle_pending() const { return restyle; }
    bool moving_allowed() const { return may_move; }

    // A button lies under the point (window coordinates).
    virtual bool button_at(const QPoint &point) const = 0;

signals:
    void aboutToClose();

public slots:
    void updateStyle();
    // The window system composes the translucent window from what we paint.
    void setLayered();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // The frame's buttons, by variant. press returns whether moving stays
    // allowed; each returns whether a repaint is due.
    virtual bool press_buttons(const QPoint &point, bool &allow_moving) = 0;
    virtual bool release_buttons(const QPoint &point) = 0;
    virtual bool move_buttons(const QPoint &point) = 0;
    virtual void paint_buttons(QPainter &painter) const = 0;
    virtual QPixmap logo() const { return QPixmap(); }

    bool in_band(const QPoint &point) const { return point.y() <= k_band_height; }

    skin_images_s images;

private:
    QPixmap frame;
    bool restyle = true;
    bool may_move = false;
    QPoint drag_offset;
    QTimer refresh_timer;
};
