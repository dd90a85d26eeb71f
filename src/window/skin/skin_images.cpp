#include "window/skin/skin_images.h"

#include <QPainter>
#include <QStyle>

skin_images_s load_skin_images(const QString &folder)
{
    return {QPixmap(folder + QStringLiteral("/so.png")), QPixmap(folder + QStringLiteral("/sl.png")),
            QPixmap(folder + QStringLiteral("/sr.png")), QPixmap(folder + QStringLiteral("/su.png"))};
}

QPixmap draw_skin_frame(const skin_images_s &images, const QSize &size, const QPixmap &logo, const QString &title,
                        const QColor &client, Qt::LayoutDirection direction)
{
    const int w = size.width();
    const int h = size.height();
    const QPixmap &so = images.so;
    const QPixmap &sl = images.sl;
    const QPixmap &sr = images.sr;
    const QPixmap &su = images.su;

    QPixmap frame(size);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(QRect(sl.width(), so.height(), w - sl.width() - sr.width(), h - so.height() - su.height()),
                     client);

    painter.drawPixmap(QRect(0, 0, k_band_end, so.height()), so, QRect(0, 0, k_band_end, so.height()));
    painter.drawPixmap(QRect(w - k_band_end, 0, k_band_end, so.height()), so,
                       QRect(so.width() - k_band_end, 0, k_band_end, so.height()));
    painter.drawPixmap(QRect(k_band_end, 0, w - 2 * k_band_end, so.height()), so,
                       QRect(k_band_end, 0, so.width() - 2 * k_band_end, so.height()));

    painter.drawPixmap(QRect(sl.width(), h - su.height(), w - sl.width() - sr.width(), su.height()), su,
                       QRect(sl.width(), 0, su.width() - sl.width() - sr.width(), su.height()));
    painter.drawPixmap(QRect(0, h - su.height(), sl.width(), su.height()), su, QRect(0, 0, sl.width(), su.height()));
    painter.drawPixmap(QRect(w - sr.width(), h - su.height(), sr.width(), su.height()), su,
                       QRect(su.width() - sr.width(), 0, sr.width(), su.height()));

    painter.drawPixmap(QRect(w - sr.width(), so.height(), sr.width(), h - so.height() - su.height()), sr);
    painter.drawPixmap(QRect(0, so.height(), sl.width(), h - su.height() - so.height()), sl);

    // The logo at the far end of the band from the tabs, the title before them.
    const QRect whole(QPoint(0, 0), size);
    if (!logo.isNull())
        painter.drawPixmap(QStyle::visualRect(direction, whole, QRect(QPoint(w - 120, 24), logo.size())), logo);

    painter.setFont(QFont(QStringLiteral("Comic Sans MS")));
    painter.setPen(Qt::white);
    painter.setLayoutDirection(direction);
    painter.drawText(QRect(10, 0, w - 20, 28), Qt::AlignLeft | Qt::AlignVCenter, title);
    return frame;
}
