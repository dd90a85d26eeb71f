// Images the pages draw: backgrounds, list icons, check marks, bar textures,
// the page buttons and the frames of the busy animation.
#include <QDir>
#include <QFileInfo>
#include <QPainterPath>
#include <QtMath>

#include "art_sheet.h"
#include "art_style.h"

namespace {

// Page header strips and capacity bar textures: tiled across, so only the
// vertical run matters.
QImage vertical_gradient(int width, int height, const QColor &top, const QColor &bottom)
{
    QImage image = art_sheet_c::canvas(width, height);
    QPainter painter(&image);
    QLinearGradient fill(0, 0, 0, height);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.fillRect(image.rect(), fill);
    return image;
}

QImage notes_panel()
{
    QImage image = art_sheet_c::canvas(692, 188);
    QPainter painter(&image);
    art::smooth(painter);
    painter.setPen(QPen(QColor(0xd3, 0xe3, 0xfb), 1));
    painter.setBrush(QColor(0xf5, 0xf9, 0xff));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 691, 187), 10, 10);
    // One marker per line of text; the texts sit at 50, 100 and 150.
    for (int line = 0; line < 3; ++line) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(line == 0 ? art::k_accent : art::k_band_top);
        painter.drawRoundedRect(QRectF(5, 38 + 50 * line, 4, 16), 2, 2);
    }
    return image;
}

QImage check_box(bool checked)
{
    QImage image = art_sheet_c::canvas(16, 16);
    QPainter painter(&image);
    art::smooth(painter);
    if (checked) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(art::k_band_top);
        painter.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
        QPen pen(Qt::white, 2);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawPolyline(QPolygonF({QPointF(4.2, 8.2), QPointF(7, 11), QPointF(11.8, 5.2)}));
    } else {
        painter.setPen(QPen(QColor(0x9a, 0xb4, 0xd8), 1.2));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    }
    return image;
}

// Diagonal stripes that tile seamlessly across the bar.
QImage progress_texture()
{
    QImage image = art_sheet_c::canvas(24, 12);
    QPainter painter(&image);
    art::smooth(painter);
    QLinearGradient fill(0, 0, 0, 12);
    fill.setColorAt(0, QColor(0x4f, 0x8d, 0xf5));
    fill.setColorAt(1, art::k_band_top);
    painter.fillRect(image.rect(), fill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 46));
    for (int x = -24; x <= 24; x += 12) {
        QPainterPath stripe;
        stripe.moveTo(x, 12);
        stripe.lineTo(x + 6, 12);
        stripe.lineTo(x + 18, 0);
        stripe.lineTo(x + 12, 0);
        stripe.closeSubpath();
        painter.drawPath(stripe);
    }
    return image;
}

QImage page_button(int state)
{
    QImage image = art_sheet_c::canvas(75, 23);
    QPainter painter(&image);
    art::smooth(painter);
    const QColor base = state == 1 ? art::k_band_top : state == 2 ? art::k_band_top.lighter(115) : art::k_band_bottom;
    QLinearGradient fill(0, 0, 0, 23);
    fill.setColorAt(0, base.lighter(110));
    fill.setColorAt(1, base);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 74, 22), 5, 5);
    return image;
}

QImage found_badge()
{
    return art::drawn(64, 64, [](QPainter &painter) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(art::k_pale);
        painter.drawEllipse(QRectF(2, 2, 60, 60));
        art::draw_partition(painter, QRectF(12, 12, 32, 32), art::k_band_top);
        art::draw_magnifier(painter, QRectF(30, 30, 26, 26), art::k_accent);
    });
}

// A drive with a scanning arc that turns once over the frames.
QImage busy_frame(int frame, int frames)
{
    QImage image(130, 86, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    art::smooth(painter);
    const QPointF centre(65, 43);
    painter.setPen(QPen(art::k_pale, 6));
    painter.drawEllipse(centre, 30, 30);
    const int start = -frame * 360 * 16 / frames;
    // The head of the arc is opaque; its tail fades out clockwise behind it.
    QConicalGradient sweep(centre, start / 16.0);
    QColor clear = art::k_band_top;
    clear.setAlpha(0);
    sweep.setColorAt(0, art::k_band_top);
    sweep.setColorAt(0.69, clear);
    sweep.setColorAt(1, art::k_band_top);
    QPen arc(QBrush(sweep), 6);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    painter.drawArc(QRectF(35, 13, 60, 60), start, -110 * 16);
    art::draw_drive(painter, QRectF(50, 28, 30, 30), art::k_band_top);
    // A dot that pulses with the sweep.
    painter.setPen(Qt::NoPen);
    painter.setBrush(art::k_accent);
    const qreal pulse = 2.5 + 1.5 * qSin(2 * M_PI * frame / frames);
    painter.drawEllipse(QPointF(92, 68), pulse, pulse);
    return image;
}

} // namespace

bool draw_page_art(art_sheet_c &sheet)
{
    bool ok = sheet.save(vertical_gradient(8, 56, art::k_pale, Qt::white), QStringLiteral("background/bai.png"));
    ok &= sheet.save(notes_panel(), QStringLiteral("home/wenzi.png"));
    ok &= sheet.save(check_box(false), QStringLiteral("partition_search/check1.png"));
    ok &= sheet.save(check_box(true), QStringLiteral("partition_search/check2.png"));
    const QImage drive =
        art::drawn(20, 20, [](QPainter &painter) { art::draw_drive(painter, QRectF(0, 0, 20, 20), art::k_band_top); });
    ok &= sheet.save(drive, QStringLiteral("partition_search/drives.png"));
    ok &= sheet.save(vertical_gradient(8, 18, QColor(0x46, 0xd0, 0x85), QColor(0x2e, 0xb8, 0x6b)),
                     QStringLiteral("partition_search/green.png"));
    ok &= sheet.save(vertical_gradient(8, 18, art::k_danger.lighter(125), art::k_danger),
                     QStringLiteral("partition_search/red.png"));
    ok &= sheet.save(found_badge(), QStringLiteral("partition_search/icon_found1.png"));
    ok &= sheet.save(progress_texture(), QStringLiteral("partition_search/loding_on.png"));
    for (int state = 1; state <= 3; ++state)
        ok &= sheet.save(page_button(state), QStringLiteral("partition_search/btn_wai_%1.png").arg(state));
    const QImage folder =
        art::drawn(16, 16, [](QPainter &painter) { art::draw_folder(painter, QRectF(0, 0, 16, 16)); });
    ok &= sheet.save(folder, QStringLiteral("recovery/folder.png"));

    // The frames become ani.gif in a later build step.
    const int frames = 12;
    for (int frame = 0; frame < frames; ++frame) {
        const QString path = sheet.folder(QStringLiteral("../busy/frame%1.png").arg(frame, 2, 10, QLatin1Char('0')));
        QDir().mkpath(QFileInfo(path).absolutePath());
        ok &= busy_frame(frame, frames).save(path);
    }
    sheet.expect(QStringLiteral("recovery/ani.gif"));
    return ok;
}
