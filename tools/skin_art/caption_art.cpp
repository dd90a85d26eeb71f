// Top tabs and home buttons of one language, captions from its texts.
#include <QFontMetricsF>
#include <QPainterPath>
#include <QTextOption>

#include "art_sheet.h"
#include "art_style.h"
#include "window/text/translation.h"

namespace {

using glyph_t = void (*)(QPainter &, const QRectF &, const QColor &);

// The largest font up to pixel_size that fits the caption into the box: on
// one line while it stays readable, else wrapped.
QFont fitting_font(const QString &code, const QString &caption, const QRectF &box, int pixel_size, int smallest)
{
    const int one_line_floor = (pixel_size + smallest) / 2;
    for (int flags : {0, int(Qt::TextWordWrap)}) {
        for (int size = pixel_size; size >= (flags ? smallest : one_line_floor); --size) {
            const QFont font = art::caption_font(code, size, true);
            const QRectF needed = QFontMetricsF(font).boundingRect(box, Qt::AlignCenter | flags, caption);
            if (needed.width() <= box.width() && needed.height() <= box.height())
                return font;
        }
    }
    return art::caption_font(code, smallest, true);
}

void draw_caption(QPainter &painter, const QString &code, const QString &caption, const QRectF &box, int pixel_size,
                  int smallest, Qt::Alignment align)
{
    painter.setFont(fitting_font(code, caption, box, pixel_size, smallest));
    QTextOption option(align);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter.drawText(box, caption, option);
}

QImage top_tab(const QString &code, const QString &caption, glyph_t glyph, int state)
{
    QImage image = art_sheet_c::canvas(95, 70);
    QPainter painter(&image);
    art::smooth(painter);
    QColor ink = Qt::white;
    if (state >= 2) {
        const int alpha[] = {0, 0, 38, 70, 255};
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, alpha[state]));
        painter.drawRoundedRect(QRectF(1, 1, 93, 68), 8, 8);
        if (state == 4)
            ink = art::k_band_top;
    }
    const qreal shift = state == 3 ? 1 : 0;
    glyph(painter, QRectF(33.5, 7 + shift, 28, 28), ink);
    painter.setPen(ink);
    draw_caption(painter, code, caption, QRectF(3, 37 + shift, 89, 31), 12, 8, Qt::AlignHCenter | Qt::AlignTop);
    return image;
}

QImage home_button(const QString &code, const QString &caption, glyph_t glyph, const QColor &colour, int width,
                   int state)
{
    QImage image = art_sheet_c::canvas(width, 106);
    QPainter painter(&image);
    art::smooth(painter);
    const QColor base = state == 2 ? colour.lighter(110) : state == 3 ? colour.darker(112) : colour;
    const qreal drop = state == 3 ? 1 : 0;
    const QRectF card(2, 1 + drop, width - 4, 100);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 50, 110, state == 3 ? 30 : 45));
    painter.drawRoundedRect(card.translated(0, 3 - drop), 14, 14);
    QLinearGradient fill(card.topLeft(), card.bottomRight());
    fill.setColorAt(0, base.lighter(118));
    fill.setColorAt(1, base);
    painter.setBrush(fill);
    painter.drawRoundedRect(card, 14, 14);

    painter.setBrush(QColor(255, 255, 255, 46));
    const QRectF disc(card.left() + 20, card.center().y() - 32, 64, 64);
    painter.drawEllipse(disc);
    glyph(painter, disc.adjusted(14, 14, -14, -14), Qt::white);

    painter.setPen(Qt::white);
    const QRectF text_box(disc.right() + 16, card.top() + 10, card.right() - disc.right() - 32, card.height() - 20);
    draw_caption(painter, code, caption, text_box, 22, 11, Qt::AlignLeft | Qt::AlignVCenter);
    return image;
}

struct home_button_s {
    const char *base;
    const char *key;
    glyph_t glyph;
    QColor colour;
    int width;
};

const home_button_s k_home_buttons[] = {
    {"btn_start_scan", "home_start_scan", art::draw_magnifier, QColor(0x2a, 0x6e, 0xe8), 330},
    {"btn_resume_recovery", "home_resume_recovery", art::draw_resume, QColor(0x17, 0xa5, 0x98), 323},
};

} // namespace

bool draw_captions(art_sheet_c &sheet, const QString &code, const QString &tabs_folder)
{
    const std::pair<const char *, glyph_t> tabs[] = {{"tab_file_recovery", art::draw_drive},
                                                     {"tab_partition_recovery", art::draw_partition},
                                                     {"tab_deep_scan", art::draw_layers}};
    bool ok = true;
    for (int tab = 0; tab < 3; ++tab) {
        for (int state = 1; state <= 4; ++state)
            ok &= sheet.save(top_tab(code, lookup_text(tabs[tab].first), tabs[tab].second, state),
                             QStringLiteral("%1/btn_top%2%3.png").arg(tabs_folder).arg(tab + 1).arg(state));
    }
    for (const home_button_s &button : k_home_buttons) {
        for (int state = 1; state <= 3; ++state) {
            const QImage image =
                home_button(code, lookup_text(button.key), button.glyph, button.colour, button.width, state);
            ok &= sheet.save(image,
                             QStringLiteral("%1/%2%3.png").arg(tabs_folder, QLatin1String(button.base)).arg(state));
        }
    }
    return ok;
}
