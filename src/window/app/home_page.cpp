#include "window/app/home_page.h"

#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "window/forms/form_parts.h"

#include "window/text/translation.h"

namespace {

QString localized_button_style(const char *base)
{
    const QString name = QString::fromLatin1(base);
    return three_state_button_style(multilang_image_path(name, 1), multilang_image_path(name, 2),
                                    multilang_image_path(name, 3));
}

} // namespace

home_window_c::home_window_c(QWidget *parent) : QWidget(parent)
{
    setupUi(this);
    btn_start->setStyleSheet(localized_button_style("btn_start_scan"));
    btn_resume->setStyleSheet(localized_button_style("btn_resume_recovery"));
}

QRect home_window_c::tips_place() const
{
    // The two buttons above the box of cautions, the whole group in the
    // middle of what the band leaves, as large as the window may be.
    const QSize box(692, 188);
    const int band = 56;
    const int group_height = btn_start->height() + 50 + box.height();
    const int top = band + std::max(20, (height() - band - group_height) / 2);
    return QRect(QPoint((width() - box.width()) / 2, top + btn_start->height() + 50), box);
}

void home_window_c::resizeEvent(QResizeEvent *)
{
    const QRect box = tips_place();
    const int top = box.top() - 50 - btn_start->height();
    place_widget(btn_start, QRect(QPoint(box.left() - 15, top), btn_start->size()));
    place_widget(btn_resume, QRect(QPoint(box.right() + 1 + 15 - btn_resume->width(), top), btn_resume->size()));
}

void home_window_c::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap band(QStringLiteral(":/images/background/bai.png"));
    painter.fillRect(QRect(0, 0, width(), band.height()), QBrush(band));
    const QRect box = tips_place();
    // The marks before each line stand at its start: the right on a
    // right-to-left page.
    const bool mirrored = layoutDirection() == Qt::RightToLeft;
    const QImage tips(QStringLiteral(":/images/home/wenzi.png"));
    painter.drawImage(QStyle::visualRect(layoutDirection(), rect(), box), mirrored ? tips.mirrored(true, false) : tips);
    painter.setFont(QFont(QStringLiteral("arial"), 8));
    painter.setPen(QColor(91, 135, 201));
    const char *keys[] = {"home_text1", "home_text2", "home_text3"};
    for (int line = 0; line < 3; ++line) {
        // Long translations wrap inside the box instead of running off it.
        const QRect text(box.left() + 15, box.top() + 50 * line + 25, box.width() - 30, 40);
        painter.drawText(QStyle::visualRect(layoutDirection(), rect(), text),
                         Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, lookup_text(keys[line]));
    }
}
