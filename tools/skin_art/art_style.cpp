#include "art_style.h"

#include <QPainterPath>
#include <QtMath>

namespace art {

QFont caption_font(const QString &code, int pixel_size, bool bold)
{
    QString family = QStringLiteral("DejaVu Sans");
    if (code == QLatin1String("cn"))
        family = QStringLiteral("Noto Sans CJK SC");
    else if (code == QLatin1String("hk"))
        family = QStringLiteral("Noto Sans CJK TC");
    else if (code == QLatin1String("jp"))
        family = QStringLiteral("Noto Sans CJK JP");
    QFont font(family);
    font.setPixelSize(pixel_size);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void smooth(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

QImage drawn(int width, int height, const std::function<void(QPainter &)> &draw)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    smooth(painter);
    draw(painter);
    return image;
}

namespace {

// Saves the painter and sets a round stroke scaled to the glyph (weight 1 is
// the regular line). Returns the glyph's unit, a sixteenth of its width.
qreal begin_glyph(QPainter &painter, const QRectF &box, const QColor &colour, qreal weight)
{
    painter.save();
    QPen pen(colour, qMax(1.2, box.width() / 14.0) * weight);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    return box.width() / 16.0;
}

} // namespace

void draw_drive(QPainter &painter, const QRectF &box, const QColor &colour)
{
    const qreal u = begin_glyph(painter, box, colour, 1);
    const QRectF body(box.left() + u, box.top() + 4 * u, 14 * u, 8 * u);
    painter.drawRoundedRect(body, 2 * u, 2 * u);
    painter.drawLine(QPointF(body.left(), body.center().y()), QPointF(body.right(), body.center().y()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QPointF(body.right() - 2.6 * u, body.top() + 6 * u), 0.9 * u, 0.9 * u);
    painter.restore();
}

void draw_magnifier(QPainter &painter, const QRectF &box, const QColor &colour)
{
    const qreal u = begin_glyph(painter, box, colour, 1.3);
    const QPointF centre(box.left() + 6.5 * u, box.top() + 6.5 * u);
    painter.drawEllipse(centre, 4.8 * u, 4.8 * u);
    painter.drawLine(QPointF(box.left() + 10.2 * u, box.top() + 10.2 * u),
                     QPointF(box.left() + 14.2 * u, box.top() + 14.2 * u));
    painter.restore();
}

void draw_partition(QPainter &painter, const QRectF &box, const QColor &colour)
{
    const qreal u = begin_glyph(painter, box, colour, 1);
    const QRectF disc(box.left() + 1.5 * u, box.top() + 1.5 * u, 13 * u, 13 * u);
    painter.drawEllipse(disc);
    QColor slice = colour;
    slice.setAlphaF(0.85);
    painter.setBrush(slice);
    painter.drawPie(disc.adjusted(1.6 * u, 1.6 * u, -1.6 * u, -1.6 * u), 90 * 16, -120 * 16);
    painter.restore();
}

void draw_layers(QPainter &painter, const QRectF &box, const QColor &colour)
{
    const qreal u = begin_glyph(painter, box, colour, 1);
    for (int layer = 0; layer < 3; ++layer) {
        const qreal y = box.top() + (4 + 3.6 * layer) * u;
        QPainterPath path;
        path.moveTo(box.left() + 8 * u, y - 2.6 * u);
        path.lineTo(box.left() + 14.5 * u, y);
        path.lineTo(box.left() + 8 * u, y + 2.6 * u);
        path.lineTo(box.left() + 1.5 * u, y);
        path.closeSubpath();
        QColor fill = colour;
        fill.setAlphaF(layer == 0 ? 0.9 : 0.0);
        painter.setBrush(fill);
        painter.drawPath(path);
    }
    painter.restore();
}

void draw_resume(QPainter &painter, const QRectF &box, const QColor &colour)
{
    const qreal u = begin_glyph(painter, box, colour, 1.2);
    const QRectF ring(box.left() + 2 * u, box.top() + 2 * u, 12 * u, 12 * u);
    painter.drawArc(ring, 100 * 16, 290 * 16);
    // Arrow head at the open end of the ring.
    const qreal angle = qDegreesToRadians(100.0);
    const QPointF tip(ring.center().x() + 6 * u * qCos(angle), ring.center().y() - 6 * u * qSin(angle));
    QPainterPath head;
    head.moveTo(tip + QPointF(3.2 * u, -1.4 * u));
    head.lineTo(tip);
    head.lineTo(tip + QPointF(2.0 * u, 2.8 * u));
    painter.drawPath(head);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    QPainterPath play;
    play.moveTo(ring.center() + QPointF(-1.6 * u, -2.6 * u));
    play.lineTo(ring.center() + QPointF(2.6 * u, 0));
    play.lineTo(ring.center() + QPointF(-1.6 * u, 2.6 * u));
    play.closeSubpath();
    painter.drawPath(play);
    painter.restore();
}

void draw_folder(QPainter &painter, const QRectF &box)
{
    painter.save();
    const qreal u = box.width() / 16.0;
    painter.setPen(QPen(QColor(0xd4, 0x9a, 0x1e), qMax(1.0, u * 0.8)));
    painter.setBrush(QColor(0xf6, 0xc3, 0x4a));
    QPainterPath back;
    back.moveTo(box.left() + 1 * u, box.top() + 3 * u);
    back.lineTo(box.left() + 6 * u, box.top() + 3 * u);
    back.lineTo(box.left() + 7.5 * u, box.top() + 4.5 * u);
    back.lineTo(box.left() + 15 * u, box.top() + 4.5 * u);
    back.lineTo(box.left() + 15 * u, box.top() + 13.5 * u);
    back.lineTo(box.left() + 1 * u, box.top() + 13.5 * u);
    back.closeSubpath();
    painter.drawPath(back);
    painter.setBrush(QColor(0xfb, 0xd8, 0x72));
    painter.drawRect(QRectF(box.left() + 1 * u, box.top() + 6.5 * u, 14 * u, 7 * u));
    painter.restore();
}

void draw_logo_mark(QPainter &painter, const QRectF &box)
{
    painter.save();
    QLinearGradient tile(box.topLeft(), box.bottomRight());
    tile.setColorAt(0, k_accent);
    tile.setColorAt(1, QColor(0x1b, 0x9a, 0xd6));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(box, box.width() * 0.24, box.width() * 0.24);
    draw_resume(painter, box.adjusted(box.width() * 0.14, box.width() * 0.14, -box.width() * 0.14, -box.width() * 0.14),
                Qt::white);
    painter.restore();
}

} // namespace art
