// The one look of every generated image: colours, fonts and the vector glyphs
// the images are drawn from.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <functional>

namespace art {

inline const QColor k_band_top(0x1f, 0x5f, 0xd1);
inline const QColor k_band_bottom(0x16, 0x45, 0xa8);
inline const QColor k_edge(0x16, 0x45, 0xa8);
inline const QColor k_accent(0x2f, 0xc6, 0xb4);
inline const QColor k_ink(0x1d, 0x2b, 0x45);
inline const QColor k_pale(0xe9, 0xf2, 0xff);
inline const QColor k_line(0x8b, 0xb8, 0xfe);
inline const QColor k_danger(0xe5, 0x48, 0x4d);

// A font that carries the script of the language with this two-letter code.
QFont caption_font(const QString &code, int pixel_size, bool bold);

// Glyphs drawn in a square, stroked or filled in one colour.
void draw_drive(QPainter &painter, const QRectF &box, const QColor &colour);
void draw_magnifier(QPainter &painter, const QRectF &box, const QColor &colour);
void draw_partition(QPainter &painter, const QRectF &box, const QColor &colour);
void draw_layers(QPainter &painter, const QRectF &box, const QColor &colour);
void draw_resume(QPainter &painter, const QRectF &box, const QColor &colour);
void draw_folder(QPainter &painter, const QRectF &box);
void draw_logo_mark(QPainter &painter, const QRectF &box);

// A painter with antialiasing on.
void smooth(QPainter &painter);

// A transparent image of the given size with draw run on a smooth painter.
QImage drawn(int width, int height, const std::function<void(QPainter &)> &draw);

} // namespace art
