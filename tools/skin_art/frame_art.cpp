// Window frames, the system buttons, the logo and the program icon.
#include <QPainterPath>

#include "art_sheet.h"
#include "art_style.h"

namespace {

const qreal k_corner = 8;

// The band with rounded top corners; the middle is even across so that it
// can be stretched to any width.
QImage band(int width, int height)
{
    QImage image = art_sheet_c::canvas(width, height);
    QPainter painter(&image);
    art::smooth(painter);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, width, height + k_corner), k_corner, k_corner);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0, art::k_band_top);
    fill.setColorAt(1, art::k_band_bottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(shape);
    // A faint highlight along the top and a hairline at the bottom.
    painter.setClipPath(shape);
    painter.fillRect(QRectF(0, 0, width, 1), QColor(255, 255, 255, 70));
    painter.fillRect(QRectF(0, height - 1, width, 1), QColor(0, 0, 0, 40));
    return image;
}

QImage edge(int width, int height)
{
    QImage image = art_sheet_c::canvas(width, height);
    image.fill(art::k_edge);
    return image;
}

QImage bottom(int width, int height)
{
    QImage image = art_sheet_c::canvas(width, height);
    QPainter painter(&image);
    art::smooth(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(art::k_edge);
    painter.drawRect(QRectF(0, 0, width, height));
    return image;
}

enum glyph_e { glyph_quit, glyph_max, glyph_resume, glyph_min, glyph_setting };

QImage system_button(glyph_e glyph, int state)
{
    QImage image = art_sheet_c::canvas(30, 21);
    QPainter painter(&image);
    art::smooth(painter);
    if (state > 1) {
        QColor back = glyph == glyph_quit ? art::k_danger : QColor(255, 255, 255);
        back.setAlpha(glyph == glyph_quit ? (state == 2 ? 255 : 200) : (state == 2 ? 46 : 80));
        painter.setPen(Qt::NoPen);
        painter.setBrush(back);
        painter.drawRoundedRect(QRectF(1, 1, 28, 19), 4, 4);
    }
    QPen pen(QColor(255, 255, 255, state == 1 ? 225 : 255), 1.4);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPointF c(15, 10.5);
    switch (glyph) {
    case glyph_quit:
        painter.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
        painter.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
        break;
    case glyph_max:
        painter.drawRoundedRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9), 1.5, 1.5);
        break;
    case glyph_resume:
        painter.drawRoundedRect(QRectF(c.x() - 5, c.y() - 2.5, 7.5, 7.5), 1.5, 1.5);
        painter.drawPolyline(QPolygonF({c + QPointF(-2.5, -2.5), c + QPointF(-2.5, -5), c + QPointF(5, -5),
                                        c + QPointF(5, 2.5), c + QPointF(2.5, 2.5)}));
        break;
    case glyph_min:
        painter.drawLine(c + QPointF(-4.5, 0.5), c + QPointF(4.5, 0.5));
        break;
    case glyph_setting:
        for (int row = -1; row <= 1; ++row)
            painter.drawLine(c + QPointF(-5, 3.5 * row), c + QPointF(5, 3.5 * row));
        break;
    }
    return image;
}

QImage logo()
{
    return art::drawn(107, 77, [](QPainter &painter) {
        art::draw_logo_mark(painter, QRectF(32.5, 4, 42, 42));
        painter.setPen(Qt::white);
        painter.setFont(art::caption_font(QStringLiteral("en"), 13, true));
        painter.drawText(QRectF(0, 50, 107, 22), Qt::AlignCenter, QStringLiteral("TarnRecovery"));
    });
}

} // namespace

bool draw_frames(art_sheet_c &sheet)
{
    bool ok = sheet.save(band(800, 100), QStringLiteral("system/so.png"));
    ok &= sheet.save(edge(3, 539), QStringLiteral("system/sl.png"));
    ok &= sheet.save(edge(3, 539), QStringLiteral("system/sr.png"));
    ok &= sheet.save(bottom(10, 4), QStringLiteral("system/su.png"));
    ok &= sheet.save(band(500, 34), QStringLiteral("dialogs/so.png"));
    ok &= sheet.save(edge(3, 370), QStringLiteral("dialogs/sl.png"));
    ok &= sheet.save(edge(3, 370), QStringLiteral("dialogs/sr.png"));
    ok &= sheet.save(bottom(500, 3), QStringLiteral("dialogs/su.png"));

    const std::pair<glyph_e, const char *> buttons[] = {{glyph_quit, "quiButton"},
                                                        {glyph_max, "maxButton"},
                                                        {glyph_resume, "resumeButton"},
                                                        {glyph_min, "minButton"},
                                                        {glyph_setting, "settingButton"}};
    for (const auto &[glyph, name] : buttons) {
        for (int state = 1; state <= 3; ++state)
            ok &= sheet.save(system_button(glyph, state),
                             QStringLiteral("system/%1%2.png").arg(QLatin1String(name)).arg(state));
    }
    ok &= sheet.save(logo(), QStringLiteral("top/logo.png"));

    const QImage icon =
        art::drawn(48, 48, [](QPainter &painter) { art::draw_logo_mark(painter, QRectF(2, 2, 44, 44)); });
    ok &= sheet.save(icon, QStringLiteral("top.ico"), "ICO");
    return ok;
}
