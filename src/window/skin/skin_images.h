// The four frame images of a skinned window and the frame drawn from them.
#pragma once

#include <QMargins>
#include <QPixmap>
#include <QString>

struct skin_images_s {
    QPixmap so; // top band
    QPixmap sl; // left edge
    QPixmap sr; // right edge
    QPixmap su; // bottom edge

    // Margins that keep children off the frame.
    QMargins margins() const { return QMargins(sl.width(), so.height(), sr.width(), su.height()); }
};

// Loads so.png, sl.png, sr.png and su.png from a resource folder.
skin_images_s load_skin_images(const QString &folder);

// Width of the fixed ends of the top band; the middle stretches.
constexpr int k_band_end = 64;

// Draws the band in three slices, the edges stretched, the logo (when given)
// 120 pixels from the right and the title at the left (both mirrored on a
// right-to-left page); the rest stays transparent except the client area,
// which gets the window colour its pages are drawn on.
QPixmap draw_skin_frame(const skin_images_s &images, const QSize &size, const QPixmap &logo, const QString &title,
                        const QColor &client, Qt::LayoutDirection direction = Qt::LeftToRight);
