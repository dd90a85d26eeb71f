#include "window/skin/progress_bar.h"

#include <QPainter>
#include <cmath>

void progress_bar_c::setup(const QString &image_path, const QColor &colour)
{
    fill_image = QPixmap(image_path);
    fill_brush = QBrush(fill_image);
    background = colour;
    fraction = 0.0;
}

void progress_bar_c::set_value(double new_fraction)
{
    fraction = std::isnan(new_fraction) ? 0.0 : std::clamp(new_fraction, 0.0, 1.0);
}

void progress_bar_c::paint(QPainter &painter, const QRect &r) const
{
    painter.save();
    painter.fillRect(r, background);
    const int filled = int((r.right() - r.left()) * fraction);
    if (filled > 0) {
        // From the leading end: the right one on a right-to-left page. The
        // texture starts there, not at the page's origin.
        QRect done(r.left(), r.top(), filled, r.height());
        if (painter.layoutDirection() == Qt::RightToLeft)
            done.moveRight(r.right());
        painter.setBrushOrigin(done.topLeft());
        painter.fillRect(done, fill_brush);
    }
    painter.setPen(Qt::black);
    painter.drawText(r, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("%1%").arg(int(fraction * 100)));
    painter.restore();
}
