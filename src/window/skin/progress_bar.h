// A textured progress bar that a page paints into a rectangle of its own
// during its paint event.
#pragma once

#include <QBrush>
#include <QColor>
#include <QObject>
#include <QPixmap>
#include <QRect>

class QPainter;

class progress_bar_c : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The fill texture and the colour of the unfilled part; the value goes to 0.
    void setup(const QString &image_path, const QColor &colour);
    // Kept within 0..1 (anything else, NaN included, would paint outside the
    // bar or a nonsense percentage). Nothing is repainted here.
    void set_value(double fraction);
    double value() const { return fraction; }

    void paint(QPainter &painter, const QRect &r) const;

private:
    QPixmap fill_image;
    QBrush fill_brush;
    QColor background;
    double fraction = 0.0;
};
