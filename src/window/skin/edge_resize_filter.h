// Resizes a frameless window from a narrow band along its edges, with the
// usual resize cursors, never below the window's minimum size. Presses on
// the frame's image buttons are left to the buttons.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

class skin_frame_c;

class edge_resize_filter_c : public QObject {
public:
    static constexpr int k_edge_band = 4;

    explicit edge_resize_filter_c(skin_frame_c *window);

    // The edges within the band at a point in window coordinates.
    static Qt::Edges edges_at(const QPoint &point, const QSize &size);
    // start dragged by delta at the given edges, kept within min and max;
    // the edges opposite the dragged ones stay where they are.
    static QRect resized_geometry(const QRect &start, Qt::Edges edges, const QPoint &delta, const QSize &min,
                                  const QSize &max);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show_cursor(Qt::Edges edges);

    skin_frame_c *frame;
    Qt::Edges dragging;
    QPoint press_global;
    QRect press_geometry;
    bool cursor_set = false;
};
